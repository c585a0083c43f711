#include "sim/replay_clock.h"

#include <algorithm>

ReplayClock::ReplayClock(double speed, double holdAt, Clock::time_point start)
    : speed_(speed > 0 ? speed : 1), holdAt_(holdAt), base_(start), released_(holdAt < 0) {}

double ReplayClock::unlockedSeconds(Clock::time_point now) const {
  const double run = baseSeconds_ + std::chrono::duration<double>(now - base_).count() * speed_;
  return released_ ? run : std::min(run, holdAt_);
}

double ReplayClock::seconds(Clock::time_point now) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return unlockedSeconds(now);
}

void ReplayClock::sessionOpened(Clock::time_point now) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (released_) return;
  baseSeconds_ = std::max(unlockedSeconds(now), holdAt_);
  base_ = now;
  released_ = true;
}
