#include "laser/laser_scan_reader.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "laser/map_grid.h"
#include "os/console_print.h"
#include "os/text_numbers.h"
#include "state/robot_controller.h"

namespace {
// A scan file is a few kilobytes; anything past this is not a scan.
constexpr std::size_t kMaxScanFileBytes = 4u << 20;

using Clock = std::chrono::steady_clock;

// The count of the last refused file, so that a file left corrupt does not
// flood the console ten times a second.
thread_local double lastRefusedCount = 0;

constexpr auto kStaleAfter = std::chrono::seconds(2);
constexpr auto kIncompleteLineEvery = std::chrono::minutes(1);

// Which file the path names now: a writer that replaces the file makes a new
// one; one that rewrites it in place changes its times and size.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{}, changed{};
  off_t size = 0;
  bool operator==(const FileStamp& o) const {
    return device == o.device && inode == o.inode && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec &&
           changed.tv_nsec == o.changed.tv_nsec && size == o.size;
  }
};

std::optional<FileStamp> stampOf(const char* path) {
  struct stat s {};
  if (::stat(path, &s) != 0) return std::nullopt;
  return FileStamp{s.st_dev, s.st_ino, s.st_mtim, s.st_ctim, s.st_size};
}

// What the reader keeps between passes beyond the record: when the file last
// brought a new scan, and the incomplete files still to be told. The laser
// thread's own; a new record starts it afresh.
struct ReaderWatch {
  std::uint64_t record = 0;
  bool armed = false;  // a scan has been taken: from now on new ones are awaited
  FileStamp lastTaken;
  Clock::time_point newScanAt;
  bool staleTold = false;
  long incompleteUntold = 0;
  bool incompleteTold = false;
  Clock::time_point incompleteToldAt;
  std::optional<FileStamp> lastIncomplete;
};
thread_local ReaderWatch watch;

int wholeSeconds(Clock::duration d) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(d).count());
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

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
  readLaserScan(rc, Clock::now());
}

void readLaserScan(RobotController& rc, Clock::time_point now) {
  if (watch.record != rc.serial) {
    watch = ReaderWatch{};
    watch.record = rc.serial;
  }
  const auto text = readFileText(rc.laserFileName, kMaxScanFileBytes);
  // Taken after the text: a file replaced in between is only seen new next time.
  const std::optional<FileStamp> stamp = stampOf(rc.laserFileName);
  LaserTake take = LaserTake::NoScan;
  if (!text) {
    rc.laserValid = false;
  } else {
    take = takeLaserScanText(rc, *text);
  }

  const bool newFile = stamp && (!watch.armed || !(*stamp == watch.lastTaken));
  if (take == LaserTake::Taken && newFile) {
    if (watch.staleTold) {
      consolePrintf("laser: vuelven los barridos nuevos tras %d s\n",
                    wholeSeconds(now - watch.newScanAt));
    }
    watch.armed = true;
    watch.staleTold = false;
    watch.lastTaken = *stamp;
    watch.newScanAt = now;
  } else if (watch.armed && !watch.staleTold && now - watch.newScanAt >= kStaleAfter) {
    consolePrintf("laser: sin barridos nuevos desde hace %d s\n",
                  wholeSeconds(now - watch.newScanAt));
    watch.staleTold = true;
  }

  // An incomplete file counts once, however many passes find it there.
  if (take == LaserTake::Incomplete && stamp && !(watch.lastIncomplete == stamp)) {
    ++watch.incompleteUntold;
    watch.lastIncomplete = stamp;
  }
  if (watch.incompleteUntold > 0 &&
      (!watch.incompleteTold || now - watch.incompleteToldAt >= kIncompleteLineEvery)) {
    consolePrintf("laser: barridos incompletos descartados: %ld (queda el anterior)\n",
                  watch.incompleteUntold);
    watch.incompleteUntold = 0;
    watch.incompleteTold = true;
    watch.incompleteToldAt = now;
  }
}

LaserTake takeLaserScanText(RobotController& rc, std::string_view text) {
  NumberScanner scanner(text);
  double enable = 0;
  if (scanner.next(enable) != ScanResult::Number || static_cast<float>(enable) != -1.0f) {
    return LaserTake::NoScan;
  }
  double announced = 0;
  if (scanner.next(announced) != ScanResult::Number) return LaserTake::NoScan;
  // Checked before it becomes an integer: a count out of range (-1e30, 1e12)
  // has no integer to become.
  const double truncated = std::trunc(announced);
  if (!(truncated >= 0 && truncated <= kMaxLaserReadings)) {
    if (announced != lastRefusedCount) {
      consolePrintf("laser: el archivo anuncia %g lecturas (entre 0 y %d), se ignora\n", announced,
                    kMaxLaserReadings);
      lastRefusedCount = announced;
    }
    return LaserTake::NoScan;
  }
  lastRefusedCount = 0;
  const int count = static_cast<int>(truncated);

  // The readings first, then the buffer: a scan that is not whole must not
  // leave half of itself over the previous one. A reading beyond what a
  // float holds ends the readings, as text would.
  thread_local std::vector<float> readings;
  readings.clear();
  double value = 0;
  while (static_cast<int>(readings.size()) < count && scanner.next(value) == ScanResult::Number &&
         std::abs(value) <= std::numeric_limits<float>::max()) {
    readings.push_back(static_cast<float>(value) / 100.0f);
  }
  const std::size_t end = scanner.position();
  const bool cut = count > 0 && (end >= text.size() || !isSpace(text[end]));
  if (static_cast<int>(readings.size()) < count || cut) return LaserTake::Incomplete;

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
  for (int i = 0; i < count; ++i) {
    buffer->values[static_cast<std::size_t>(i)] = readings[static_cast<std::size_t>(i)];
  }
  return LaserTake::Taken;
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
