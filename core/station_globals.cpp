#include "core/station_globals.h"

std::atomic<RobotController*> stationRecord{nullptr};
std::atomic<ArcTable*> viewRecord{nullptr};
std::array<char, kRobotAddressSize> robotAddress{};
