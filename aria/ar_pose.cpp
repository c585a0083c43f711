#include "aria/ar_pose.h"

#include <cmath>
#include <numbers>

namespace ArMath {
double fixAngle(double degrees) {
  if (!std::isfinite(degrees)) return 0;
  double a = std::fmod(degrees, 360.0);
  if (a > 180.0) a -= 360.0;
  if (a <= -180.0) a += 360.0;
  return a;
}
double degToRad(double degrees) {
  return degrees * std::numbers::pi / 180.0;
}
double radToDeg(double radians) {
  return radians * 180.0 / std::numbers::pi;
}
}  // namespace ArMath

double ArPose::findDistanceTo(const ArPose& other) const {
  return std::hypot(other.x_ - x_, other.y_ - y_);
}

double ArPose::findAngleTo(const ArPose& other) const {
  return ArMath::fixAngle(ArMath::radToDeg(std::atan2(other.y_ - y_, other.x_ - x_)));
}
