#include "aria/ar_link_watch.h"

#include <atomic>

namespace {
std::atomic<void (*)(int, bool, int)> commandWatcher{nullptr};
std::atomic<void (*)(const ArRobot&, const ArStatusFields&, const ReceivedPacket&, std::uint64_t)>
    statusWatcher{nullptr};
}  // namespace

void setLinkWatch(const ArLinkWatch& watch) {
  commandWatcher.store(watch.commandSent);
  statusWatcher.store(watch.statusReceived);
}

void noteCommandWritten(const uint8_t* bytes, int size) {
  const auto watcher = commandWatcher.load(std::memory_order_relaxed);
  // A command packet: FA FB N command [argument] checksum(2).
  if (watcher == nullptr || size < 6) return;
  const int command = bytes[3];
  const int dataSize = size - 6;
  const uint8_t* data = bytes + 4;
  if (dataSize >= 3 && (data[0] == kArgPositiveInt || data[0] == kArgNegativeInt)) {
    const int magnitude = data[1] | (data[2] << 8);
    watcher(command, true, data[0] == kArgNegativeInt ? -magnitude : magnitude);
  } else {
    watcher(command, false, 0);
  }
}

void noteStatusTaken(const ArRobot& robot, const ArStatusFields& fields,
                     const ReceivedPacket& packet, std::uint64_t sequence) {
  const auto watcher = statusWatcher.load(std::memory_order_relaxed);
  if (watcher != nullptr) watcher(robot, fields, packet, sequence);
}
