#pragma once
// A GPS link running on a thread of its own, as the station's GPS thread runs
// it, and how the tests tell that it has handled all they wrote.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>

#include "gga_decoding_helpers.h"
#include "gps/gps_link.h"
#include "gps/gps_status_block.h"
#include "state/robot_controller.h"
#include "tests/support/count_of.h"

struct RunningLink {
  std::unique_ptr<RobotController> rc = std::make_unique<RobotController>();
  GpsLink link{*rc};
  std::future<int> done;

  // setting: a device path, or "gpsd:HOST:PORT".
  RunningLink(const std::string& setting, int consoleFd) {
    done = std::async(std::launch::async,
                      [this, setting, consoleFd] { return link.run(setting.c_str(), consoleFd); });
  }
  ~RunningLink() {
    link.stop();
    done.wait();
  }
  bool ended(std::chrono::milliseconds within = std::chrono::seconds(20)) {
    return done.wait_for(within) == std::future_status::ready;
  }
};

// No console: the keyboard writer ends at once and the reader runs on.
inline int noConsole() {
  static const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  return fd;
}

// Written after a capture: a GGA sentence without a position, which shows the
// last fix again (the station record keeps it). Its block says that every
// byte before it has been handled.
inline std::string endOfCapture() {
  return withChecksum("$GPGGA,235959.00,,,,,0,00,99.9,,,,,,") + "\r\n";
}
inline bool isEndOfCapture(const GpsStatusBlock& b) {
  return b.hours == 23 && b.minutes == 59 && b.seconds == 59 && b.stepLength == 0;
}
