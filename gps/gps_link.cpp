#include "gps/gps_link.h"

#include <unistd.h>

#include <memory>

#include "gps/gps_error_report.h"
#include "gps/gps_reader_state.h"
#include "gps/gpsd_setting.h"
#include "os/com_port_name.h"
#include "os/serial_port.h"

int GpsLink::run(const char* devicePath, int consoleFd) {
  if (namesGpsd(devicePath)) return runGpsd(devicePath, consoleFd);
  SerialPort port;
  if (!port.open(devicePath)) {
    printLastError("E012_Failed to open port");
    return 0;
  }
  if (!port.applyReadTimeouts()) printLastError("E013_SetCommTimeouts failed");
  if (!port.applyLineSettings(kGpsBaud)) printLastError("E014_SetCommState failed");
  auto state = std::make_unique<GpsReaderState>();
  gpsReaderLoop(port, *state, rc_, readerWake_, writerWake_, consoleFd, watcher_);
  return 0;
}

int openGpsPort(RobotController& rc, GpsBytesWatcher watcher) {
  GpsLink link(rc, watcher);
  const auto path = comPortPath("COM2");
  return link.run(path ? path->c_str() : "", STDIN_FILENO);
}
