#pragma once
// A small record that writers store whole and any thread reads whole, never
// a mix of two stores: the robot's map pose that a scan is marked from, whose
// row, column and heading must be of one moment. Readers never wait on a
// lock; a reader that meets a store in progress reads again. Writers (a robot
// worker, rarely two) take turns on a mutex of their own.
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <type_traits>

template <class T>
class PublishedRecord {
  static_assert(std::is_trivially_copyable_v<T>);
  static constexpr std::size_t kWords = (sizeof(T) + 7) / 8;

 public:
  PublishedRecord() { store(T{}); }
  explicit PublishedRecord(const T& value) { store(value); }
  PublishedRecord(const PublishedRecord&) = delete;
  PublishedRecord& operator=(const PublishedRecord&) = delete;

  // A sequence lock: odd while a store is under way. Each word is stored with
  // release and loaded with acquire, so a reader that sees any word of a store
  // also sees that store's odd version when it checks again.
  void store(const T& value) {
    std::array<std::uint64_t, kWords> words{};
    std::memcpy(words.data(), &value, sizeof(T));
    std::lock_guard lock(writers_);
    const std::uint64_t version = version_.load(std::memory_order_relaxed);
    version_.store(version + 1, std::memory_order_relaxed);
    for (std::size_t i = 0; i < kWords; ++i) words_[i].store(words[i], std::memory_order_release);
    version_.store(version + 2, std::memory_order_release);
  }

  T load() const {
    for (;;) {
      const std::uint64_t before = version_.load(std::memory_order_acquire);
      std::array<std::uint64_t, kWords> words{};
      for (std::size_t i = 0; i < kWords; ++i) words[i] = words_[i].load(std::memory_order_acquire);
      if ((before & 1) == 0 && version_.load(std::memory_order_relaxed) == before) {
        T value;
        std::memcpy(static_cast<void*>(&value), words.data(), sizeof(T));
        return value;
      }
      std::this_thread::yield();
    }
  }

 private:
  std::mutex writers_;
  std::atomic<std::uint64_t> version_{0};
  std::array<std::atomic<std::uint64_t>, kWords> words_{};
};
