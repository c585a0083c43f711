#include "core/station_globals.h"
#include "gps/gps_link.h"

int gpsThreadMain(const char* /*label*/) {
  RobotController* rc = stationRecord.load();
  if (rc == nullptr) return 0;
  return openGpsPort(*rc);
}
