#include "core/thread_entries.h"

#include <pthread.h>

#include <string>

#include "core/driving_state.h"
#include "core/station_globals.h"
#include "core/station_recording.h"
#include "gamepad/gamepad_reader.h"
#include "gps/gps_link.h"
#include "robot/robot_workers.h"

int laserThreadMain(const char* /*label*/) {
  stationLaserLoop(*stationRecord.load());
  return 0;
}

int gpsThreadMain(const char* /*label*/) {
  RobotController* rc = stationRecord.load();
  if (rc == nullptr) return 0;
  return openGpsPort(*rc, stationGpsWatcher());
}

int gamepadThreadMain(const char* /*label*/) {
  runGamepadReader(driving.gamepad);
  return 0;
}

namespace {
constexpr int kRobotTcpPort = 8101;
}  // namespace

int ipManualThreadMain(const char* /*label*/) {
  RobotController* rc = stationRecord.load();
  if (rc == nullptr) return 0;
  const std::string address = robotAddressText();
  ipManualWorker(address.c_str(), kRobotTcpPort, &driving.wheelSpeeds, &driving.manualDriveFlag,
                 *rc, &driving.heartbeat);
  return 0;
}

int ipAutoThreadMain(const char* /*label*/) {
  RobotController* rc = stationRecord.load();
  if (rc == nullptr) return 0;
  const std::string address = robotAddressText();
  ipAutoWorker(address.c_str(), kRobotTcpPort, *rc);
  return 0;
}

int serialManualThreadMain(const char* /*label*/) {
  RobotController* rc = stationRecord.load();
  if (rc == nullptr) return 0;
  serialManualWorker(rc->serialPortName, &driving.wheelSpeeds, &driving.manualDriveFlag, *rc,
                     &driving.heartbeat);
  return 0;
}

int serialAutoThreadMain(const char* /*label*/) {
  RobotController* rc = stationRecord.load();
  if (rc == nullptr) return 0;
  serialAutoWorker(rc->serialPortName, *rc);
  return 0;
}

// The label names the thread, as process listings and debuggers show it.
void startStationThread(int (*entry)(const char*), const char* label) {
  std::thread([entry, label] {
    pthread_setname_np(pthread_self(), label);
    entry(label);
  }).detach();
}
