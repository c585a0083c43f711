#pragma once
// The laser scan file: "-1", the number of readings, then the ranges in
// centimetres, separated by any white space. Another program rewrites it about
// ten times a second.
#include <atomic>
#include <optional>
#include <string_view>

#include "laser/map_grid.h"

struct RobotController;

// Most readings one scan may announce; a larger count is refused as corrupt.
inline constexpr int kMaxLaserReadings = 65536;

// Reads the scan file named by the record into its laser fields.
void readLaserScan(RobotController& rc);

// The part of readLaserScan after the file is read: takes the scan in text.
void takeLaserScanText(RobotController& rc, std::string_view text);

// One pass of the laser thread: reads the scan file and marks the record's
// scan into the map. The pose it marked from, or nothing when there was no
// valid scan to mark.
std::optional<MarkPose> laserPass(RobotController& rc);

// The laser thread's loop: a pass, sleep 100 ms, until stop (if given) is set.
void laserLoop(RobotController& rc, const std::atomic<bool>* stop);
