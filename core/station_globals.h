#pragma once
// The program-wide records and values that the station's threads share.
#include <array>
#include <atomic>
#include <string>

#include "state/arc_table.h"
#include "state/robot_controller.h"

// The station record and the view record, set once at start-up.
extern std::atomic<RobotController*> stationRecord;
extern std::atomic<ArcTable*> viewRecord;

// Network address of the robot for the TCP workers (at most 99 characters).
// The menus and the IP dialog set it; each TCP worker copies it when it starts.
inline constexpr int kRobotAddressSize = 100;
void setRobotAddress(const char* address);
std::string robotAddressText();
