// Seeds: the real scans of tests/data/laser (source and licence in its README).
// The laser scan reader on arbitrary file contents, followed by the marking of
// what it took into the obstacle grid. The input is read as one scan, then its
// second half as the next scan, so growth and reuse of the buffer are explored.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "laser/laser_scan_reader.h"
#include "laser/map_grid.h"
#include "state/robot_controller.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The reader's start lines would drown the fuzzer's own output.
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) ::dup2(null, STDOUT_FILENO);
  return 0;
}

namespace {
void takeAndMark(RobotController& rc, std::string_view text) {
  takeLaserScanText(rc, text);
  const LaserBuffer* buffer = rc.laserRanges.load();
  if (rc.laserValid && (buffer == nullptr || rc.laserLastIndex >= buffer->capacity)) std::abort();
  markScanInMap(rc);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One record for the whole run: a fresh one per input would spend the time
  // clearing its grids. Each input starts a new period, as after a lost file.
  static auto rc = std::make_unique<RobotController>();
  rc->laserValid = false;
  rc->laserLastIndex = -1;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  takeAndMark(*rc, text);
  takeAndMark(*rc, text.substr(size / 2));
  return 0;
}
