#include "core/station_globals.h"

#include <cstring>
#include <mutex>

std::atomic<RobotController*> stationRecord{nullptr};
std::atomic<ArcTable*> viewRecord{nullptr};

namespace {
std::mutex addressMutex;
std::array<char, kRobotAddressSize> robotAddress{};
}  // namespace

void setRobotAddress(const char* address) {
  std::lock_guard lock(addressMutex);
  std::strncpy(robotAddress.data(), address, robotAddress.size() - 1);
  robotAddress.back() = '\0';
}

std::string robotAddressText() {
  std::lock_guard lock(addressMutex);
  return robotAddress.data();
}
