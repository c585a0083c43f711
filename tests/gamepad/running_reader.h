#pragma once
// The gamepad reader on a thread of the test, publishing into a state the test
// owns, on a clock the test moves: a test can say "the next pass", let
// seconds go by in no time, or hold the reader inside a pass as a stalled
// reader would be held.
#include <SDL2/SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "gamepad/gamepad_reader.h"
#include "tests/gamepad/virtual_gamepad.h"
#include "tests/support/poll_until.h"

class TestClock {
 public:
  // The reader's clock: the test's time, or the steady clock's when it runs
  // in real time; waits while the test holds it.
  std::int64_t now() {
    std::unique_lock lock(mutex_);
    free_.wait(lock, [this] { return !held_; });
    ++reads_;
    if (realTime_) {
      return std::chrono::duration_cast<std::chrono::milliseconds>(
                 std::chrono::steady_clock::now().time_since_epoch())
          .count();
    }
    return ms_;
  }
  // How often the reader has looked at the clock. Asked under the clock's
  // lock, it also orders all the reader did before its first look (SDL
  // started) before what the test does next.
  int reads() {
    std::lock_guard lock(mutex_);
    return reads_;
  }
  std::int64_t ms() {
    std::lock_guard lock(mutex_);
    return ms_;
  }
  void set(std::int64_t ms) {
    std::lock_guard lock(mutex_);
    ms_ = ms;
  }
  void runRealTime() {
    std::lock_guard lock(mutex_);
    realTime_ = true;
  }
  void hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
  }
  void release() {
    {
      std::lock_guard lock(mutex_);
      held_ = false;
    }
    free_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable free_;
  std::int64_t ms_ = 1000;
  int reads_ = 0;
  bool held_ = false;
  bool realTime_ = false;
};

class RunningReader {
 public:
  // On the test's clock, or on the steady clock (realTime).
  explicit RunningReader(Relaxed<GamepadState>& out, bool realTime = false) : out_(out) {
    SDL_SetHint(SDL_HINT_GAMECONTROLLER_IGNORE_DEVICES_EXCEPT, kOnlyTestGamepads);
    if (realTime) clock.runRealTime();
    GamepadReaderOptions options;
    options.clockMs = [this] { return clock.now(); };
    options.stop = &stop_;
    thread_ = std::thread([this, options] { runGamepadReader(out_, options); });
    // SDL is up once the reader looks at the clock, and the first pass is
    // published soon after: virtual gamepads may come.
    up_ = pollUntil([this] { return clock.reads() > 0 && out_.load().readMs != 0; },
                    std::chrono::seconds(20));
  }
  ~RunningReader() {
    clock.release();
    stop_ = true;
    thread_.join();
  }
  RunningReader(const RunningReader&) = delete;
  RunningReader& operator=(const RunningReader&) = delete;

  bool up() const { return up_; }

  // Moves the test's clock on by ms and waits for the pass that begins then:
  // it reads whatever was done to the gamepads before this call.
  bool pass(std::int64_t ms = 10) {
    clock.set(clock.ms() + ms);
    const auto when = static_cast<std::uint32_t>(clock.ms());
    return pollUntil([&] { return out_.load().readMs == when; }, std::chrono::seconds(20));
  }

  TestClock clock;

 private:
  Relaxed<GamepadState>& out_;
  std::atomic<bool> stop_{false};
  bool up_ = false;
  std::thread thread_;
};
