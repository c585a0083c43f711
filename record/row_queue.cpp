#include "record/row_queue.h"

#include <utility>

RowQueue::RowQueue(std::size_t capacity, std::size_t readings)
    : slots_(capacity == 0 ? 1 : capacity) {
  for (QueuedRow& slot : slots_) {
    slot.ranges.assign(readings, 0.0f);
    slot.ranges.clear();
  }
}

bool RowQueue::pop(QueuedRow& out) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (count_ == 0) return false;
  QueuedRow& slot = slots_[head_];
  out.kind = slot.kind;
  out.seconds = slot.seconds;
  out.numbers = slot.numbers;
  std::swap(out.ranges, slot.ranges);
  std::swap(out.text, slot.text);
  head_ = (head_ + 1) % slots_.size();
  --count_;
  return true;
}
