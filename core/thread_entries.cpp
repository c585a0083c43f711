#include "core/thread_entries.h"

#include "core/station_globals.h"
#include "laser/laser_scan_reader.h"

int laserThreadMain(const char* /*label*/) {
  laserLoop(*stationRecord.load(), nullptr);
  return 0;
}

void startStationThread(int (*entry)(const char*), const char* label) {
  std::thread(entry, label).detach();
}
