#pragma once
// The time of a recording being played back, in the recording's seconds.
// It runs from 0 at start, times the playing speed, up to the moment just
// before the recording's first status packet, and waits there until the
// station opens its robot session, so that the scans that follow fall on the
// poses they fell on when the run was recorded, however long the operator
// takes to connect this time. A session opened earlier moves the clock on to
// that moment.
#include <chrono>
#include <mutex>

class ReplayClock {
 public:
  using Clock = std::chrono::steady_clock;

  // holdAt < 0: the clock never waits (a recording without the robot).
  ReplayClock(double speed, double holdAt, Clock::time_point start = Clock::now());

  double seconds(Clock::time_point now = Clock::now()) const;
  // The robot session is open: the clock runs on from the hold (once).
  void sessionOpened(Clock::time_point now = Clock::now());

 private:
  double unlockedSeconds(Clock::time_point now) const;

  const double speed_;
  const double holdAt_;
  mutable std::mutex mutex_;
  Clock::time_point base_;  // when the clock read baseSeconds_
  double baseSeconds_ = 0;
  bool released_ = false;
};
