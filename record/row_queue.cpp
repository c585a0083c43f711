#include "record/row_queue.h"

#include <utility>

RowQueue::RowQueue(std::size_t capacity) : slots_(capacity == 0 ? 1 : capacity) {}

bool RowQueue::push(QueuedRow&& row) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (count_ == slots_.size()) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return false;
  }
  slots_[(head_ + count_) % slots_.size()] = std::move(row);
  ++count_;
  return true;
}

bool RowQueue::pop(QueuedRow& out) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (count_ == 0) return false;
  out = std::move(slots_[head_]);
  head_ = (head_ + 1) % slots_.size();
  --count_;
  return true;
}
