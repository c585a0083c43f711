#pragma once
// A robot for the controller tests: a differential drive integrated by a fixed
// step on every pass (its clock advances by the step, and by each pause), with
// a log of the wheel commands and pauses it was given. As the robot layer
// does, it logs a command when it changes; the same command again renews it,
// and the longest time a motion command went without renewal is kept.
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "robot/motion_port.h"

class FakeRobot : public MotionPort {
 public:
  struct Command {
    double left, right;
    bool operator==(const Command&) const = default;
  };

  double x = 0, y = 0, th = 0;  // mm, mm, degrees
  double track = 410;           // mm
  double stepSeconds = 0.1;     // time per pass
  double headingStep = 0;       // when set: degrees per pass while turning, exactly
  int passes = 0;
  bool held = false;                  // when set, the robot does not move (held, lifted)
  bool stalled = false;               // what it reports as its wheels' stall bits
  std::vector<Command> commands;      // each change of command
  double longestUnrenewedMotion = 0;  // seconds
  std::vector<int> sleeps;
  std::function<void(FakeRobot&)> onPass;  // runs after each pass

  ArPose readPose() override { return ArPose(x, y, th); }
  double velocity() override { return (left_ + right_) / 2; }
  void setVel2(double left, double right) override {
    noteRenewalGap();
    if (commands.empty() || commands.back() != Command{left, right})
      commands.push_back({left, right});
    left_ = left;
    right_ = right;
    renewedAt_ = seconds_;
  }
  void sleepMs(int ms) override {
    noteRenewalGap();
    sleeps.push_back(ms);
    seconds_ += ms / 1000.0;
  }
  double seconds() override { return seconds_; }
  bool wheelStalled() override { return stalled; }
  void waitPass() override {
    noteRenewalGap();
    ++passes;
    seconds_ += stepSeconds;
    if (held) {
      if (onPass) onPass(*this);
      return;
    }
    const double v = (left_ + right_) / 2;
    double dth = (right_ - left_) / track * stepSeconds * 180 / M_PI;
    if (headingStep != 0 && dth != 0) dth = dth > 0 ? headingStep : -headingStep;
    const double mid = (th + dth / 2) * M_PI / 180;
    x += v * stepSeconds * std::cos(mid);
    y += v * stepSeconds * std::sin(mid);
    th = ArMath::fixAngle(th + dth);
    if (onPass) onPass(*this);
  }

 private:
  void noteRenewalGap() {
    if (left_ != 0 || right_ != 0) {
      longestUnrenewedMotion = std::max(longestUnrenewedMotion, seconds_ - renewedAt_);
    }
  }

  double left_ = 0, right_ = 0;
  double seconds_ = 0;
  double renewedAt_ = 0;
};
