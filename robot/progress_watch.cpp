#include "robot/progress_watch.h"

#include <cmath>

bool ProgressWatch::stuck(double seconds, const ArPose& pose, bool wheelStalled) {
  if (!started_) {
    started_ = true;
    anchor_ = pose;
    anchorSeconds_ = seconds;
  }
  if (!wheelStalled) {
    stalling_ = false;
  } else if (!stalling_) {
    stalling_ = true;
    stallSince_ = seconds;
  } else if (seconds - stallSince_ >= kStallSeconds) {
    return true;
  }
  const bool moved =
      pose.findDistanceTo(anchor_) >= kStillDistanceMm ||
      std::abs(ArMath::fixAngle(pose.getTh() - anchor_.getTh())) >= kStillTurnDegrees;
  if (moved) {
    anchor_ = pose;
    anchorSeconds_ = seconds;
    return false;
  }
  return seconds - anchorSeconds_ >= kStillSeconds;
}
