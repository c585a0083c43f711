#include "core/thread_entries.h"

#include "core/station_globals.h"
#include "gps/gps_link.h"
#include "laser/laser_scan_reader.h"

int laserThreadMain(const char* /*label*/) {
  laserLoop(*stationRecord.load(), nullptr);
  return 0;
}

int gpsThreadMain(const char* /*label*/) {
  RobotController* rc = stationRecord.load();
  if (rc == nullptr) return 0;
  return openGpsPort(*rc);
}

void startStationThread(int (*entry)(const char*), const char* label) {
  std::thread(entry, label).detach();
}
