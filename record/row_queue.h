#pragma once
// The bounded queue between the station's threads and the recorder's writer:
// a ring of rows behind one short-held mutex. Producers never wait for the
// disk: when the ring is full the row is dropped and counted.
#include <atomic>
#include <mutex>
#include <vector>

#include "record/queued_rows.h"

class RowQueue {
 public:
  explicit RowQueue(std::size_t capacity);
  RowQueue(const RowQueue&) = delete;
  RowQueue& operator=(const RowQueue&) = delete;

  // Moves the row into a free slot; false (and counted) when the ring is full.
  bool push(QueuedRow&& row);

  // Takes the oldest row into out; false when empty.
  bool pop(QueuedRow& out);

  long dropped() const { return dropped_.load(std::memory_order_relaxed); }

 private:
  std::mutex mutex_;
  std::vector<QueuedRow> slots_;
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  std::atomic<long> dropped_{0};
};
