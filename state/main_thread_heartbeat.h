#pragma once
// The main thread's sign of life, read by the manual robot workers. The wheel
// speeds they send are set by the main thread from the keys; when it stops
// handling events (a GL driver hung in a swap, a blocked X connection), those
// speeds are stale and nobody can change them, while the robot cycle still
// keeps the link alive: the robot must not drive on blind.
#include <atomic>
#include <chrono>
#include <cstdint>

#include "state/shared_value.h"

struct MainThreadHeartbeat {
  // The main thread marks it at least every 100 ms while it handles events.
  static constexpr std::int64_t kBeatMs = 50;
  // A worker that sees no mark for longer stops the robot.
  static constexpr std::int64_t kSilenceMs = 500;

  // Steady-clock milliseconds of the last mark; 0 before the first.
  Relaxed<std::int64_t> lastBeatMs{0};
  // Raised by a worker that stopped the robot; the main thread answers by
  // setting the speed to zero (as Space does), then lowers it (release), so a
  // worker that sees it low (acquire) also sees the zeroed wheel speeds.
  std::atomic<bool> stopRequested{false};
};

inline std::int64_t heartbeatClockMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

inline void markHeartbeat(MainThreadHeartbeat& h) {
  h.lastBeatMs = heartbeatClockMs();
}

// No mark for longer than kSilenceMs (never when there was no mark yet: no
// main thread watches this robot).
inline bool mainThreadSilent(const MainThreadHeartbeat& h) {
  const std::int64_t last = h.lastBeatMs;
  return last != 0 && heartbeatClockMs() - last > MainThreadHeartbeat::kSilenceMs;
}
