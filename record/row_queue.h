#pragma once
// The bounded queue between the station's threads and the recorder's writer:
// a ring of rows behind one short-held mutex. Producers never wait for the
// disk: when the ring is full the row is dropped and counted. Slots keep their
// buffers, so rows are not allocated once the ring has warmed up.
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

enum class RowKind : std::uint8_t { Laser, Robot, Command, Gps, Connection };

struct QueuedRow {
  RowKind kind = RowKind::Command;
  double seconds = 0;
  std::array<double, 16> numbers{};
  std::vector<float> ranges;  // laser rows
  std::string text;           // GPS bytes, a status packet, names, an origin
};

class RowQueue {
 public:
  // Every slot starts with room for a scan of `readings` readings, touched,
  // so that the ring's memory is all there from the start: buffers travel
  // between slots as rows are taken, and would otherwise grow for minutes.
  explicit RowQueue(std::size_t capacity, std::size_t readings = 0);
  RowQueue(const RowQueue&) = delete;
  RowQueue& operator=(const RowQueue&) = delete;

  // fill(row) writes the row into a free slot under the lock; false (and
  // counted) when the ring is full.
  template <class Fill>
  bool push(Fill&& fill) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (count_ == slots_.size()) {
      dropped_.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    fill(slots_[(head_ + count_) % slots_.size()]);
    ++count_;
    return true;
  }

  // Takes the oldest row into out, trading buffers with its slot; false when empty.
  bool pop(QueuedRow& out);

  long dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  std::mutex mutex_;
  std::vector<QueuedRow> slots_;
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  std::atomic<long> dropped_{0};
};
