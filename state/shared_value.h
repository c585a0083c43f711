#pragma once
// A value that one thread writes and others read without a lock. The station's
// threads share their state this way on purpose (a reader may see a value from
// just before or just after an update); relaxed atomics make that race-free
// without adding any ordering cost on x86-64.
#include <atomic>

template <class T>
class Relaxed {
 public:
  constexpr Relaxed() noexcept : value_(T{}) {}
  constexpr Relaxed(T v) noexcept : value_(v) {}  // NOLINT(google-explicit-constructor)
  Relaxed(const Relaxed&) = delete;
  Relaxed& operator=(const Relaxed&) = delete;

  T load() const noexcept { return value_.load(std::memory_order_relaxed); }
  void store(T v) noexcept { value_.store(v, std::memory_order_relaxed); }
  operator T() const noexcept { return load(); }  // NOLINT(google-explicit-constructor)
  Relaxed& operator=(T v) noexcept {
    store(v);
    return *this;
  }
  static constexpr bool kLockFree = std::atomic<T>::is_always_lock_free;

 private:
  std::atomic<T> value_;
};
