#pragma once
// Tells a robot that cannot make progress from one that moves: a wall, a
// lifted wheel or a person holding it would otherwise keep the route follower
// commanding motion for ever.
#include "aria/ar_pose.h"

class ProgressWatch {
 public:
  // Either wheel reported stalled this long in a row: stuck.
  static constexpr double kStallSeconds = 1.0;
  // Less than this much motion over this long: stuck.
  static constexpr double kStillSeconds = 5.0;
  static constexpr double kStillDistanceMm = 10.0;
  static constexpr double kStillTurnDegrees = 2.0;

  // One look per pass while motion is commanded; true once the robot is stuck.
  // The first look starts the watch, so a watch made at the start of a phase of
  // motion does not count the pauses between phases.
  bool stuck(double seconds, const ArPose& pose, bool wheelStalled);

 private:
  bool started_ = false;
  ArPose anchor_;  // where the robot last made progress from
  double anchorSeconds_ = 0;
  bool stalling_ = false;
  double stallSince_ = 0;
};
