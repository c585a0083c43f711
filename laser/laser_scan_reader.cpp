#include "laser/laser_scan_reader.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

#include "laser/map_grid.h"
#include "os/console_print.h"
#include "os/text_numbers.h"
#include "state/robot_controller.h"

namespace {
// A scan file is a few kilobytes; anything past this is not a scan.
constexpr std::size_t kMaxScanFileBytes = 4u << 20;

// The count of the last refused file, so that a file left corrupt does not
// flood the console ten times a second.
thread_local double lastRefusedCount = 0;

// A buffer that can take count readings. A new valid period starts from a
// cleared buffer; a larger count within a period keeps the earlier readings.
// The current buffer is reused when it is large enough; growth doubles, so the
// retired buffers stay a small multiple of the largest scan.
LaserBuffer* bufferFor(RobotController& rc, int count, bool newPeriod) {
  LaserBuffer* current = rc.laserRanges.load(std::memory_order_relaxed);
  if (current != nullptr && current->capacity >= count) {
    if (newPeriod) {
      for (int i = 0; i < current->capacity; ++i) current->values[static_cast<std::size_t>(i)] = 0;
    }
    return current;
  }
  const int grown = current == nullptr ? count : std::max(count, 2 * current->capacity);
  LaserBuffer* buffer = rc.newLaserBuffer(std::min(grown, kMaxLaserReadings));
  if (current != nullptr && !newPeriod) {
    for (int i = 0; i < current->capacity; ++i) {
      buffer->values[static_cast<std::size_t>(i)] =
          current->values[static_cast<std::size_t>(i)].load();
    }
  }
  rc.laserRanges.store(buffer, std::memory_order_release);
  return buffer;
}
}  // namespace

void readLaserScan(RobotController& rc) {
  const auto text = readFileText(rc.laserFileName, kMaxScanFileBytes);
  if (!text) {
    rc.laserValid = false;
    return;
  }
  takeLaserScanText(rc, *text);
}

void takeLaserScanText(RobotController& rc, std::string_view text) {
  NumberScanner scanner(text);
  double enable = 0;
  if (scanner.next(enable) != ScanResult::Number || static_cast<float>(enable) != -1.0f) return;
  double announced = 0;
  if (scanner.next(announced) != ScanResult::Number) return;
  // Checked before it becomes an integer: a count out of range (-1e30, 1e12)
  // has no integer to become.
  const double truncated = std::trunc(announced);
  if (!(truncated >= 0 && truncated <= kMaxLaserReadings)) {
    if (announced != lastRefusedCount) {
      consolePrintf("laser: el archivo anuncia %g lecturas (entre 0 y %d), se ignora\n", announced,
                    kMaxLaserReadings);
      lastRefusedCount = announced;
    }
    return;
  }
  lastRefusedCount = 0;
  const int count = static_cast<int>(truncated);

  LaserBuffer* buffer = rc.laserRanges.load(std::memory_order_relaxed);
  if (!rc.laserValid || buffer == nullptr || buffer->capacity < count) {
    const bool newPeriod = !rc.laserValid || buffer == nullptr;
    buffer = bufferFor(rc, count, newPeriod);
    if (newPeriod) {
      consolePrintf("inicio laser\n");
      consolePrintf("%d\n", static_cast<int>(enable));
      for (int i = 0; i <= 10; ++i) consolePrintf("%d\n", i);
    }
  }
  rc.laserValid = true;
  rc.laserLastIndex = count - 1;

  // A reading beyond what a float holds ends the readings, as text would.
  double value = 0;
  for (int i = 0; i < count && scanner.next(value) == ScanResult::Number &&
                  std::abs(value) <= std::numeric_limits<float>::max();
       ++i) {
    buffer->values[static_cast<std::size_t>(i)] = static_cast<float>(value) / 100.0f;
  }
}

std::optional<MarkPose> laserPass(RobotController& rc) {
  readLaserScan(rc);
  if (!rc.laserValid) return std::nullopt;
  const MarkPose pose = currentMarkPose(rc);
  markScanInMap(rc, pose);
  return pose;
}

void laserLoop(RobotController& rc, const std::atomic<bool>* stop) {
  while (stop == nullptr || !stop->load(std::memory_order_relaxed)) {
    laserPass(rc);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}
