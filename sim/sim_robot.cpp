#include "sim/sim_robot.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
constexpr double kDegToRad = std::numbers::pi / 180.0;

double approach(double current, double target, double accel, double decel, double dt) {
  // Slowing down (toward zero or through it) uses the deceleration.
  const bool slowing = std::abs(target) < std::abs(current) || target * current < 0;
  const double step = (slowing ? decel : accel) * dt;
  if (target > current) return std::min(target, current + step);
  return std::max(target, current - step);
}
}  // namespace

double simNormalizeRad(double a) {
  a = std::remainder(a, 2 * std::numbers::pi);
  if (a <= -std::numbers::pi) a += 2 * std::numbers::pi;
  return a;
}

SimRobot::SimRobot(const SimRobotConfig& config) : config_(config) {}

void SimRobot::setBody(double radiusMm, Clearance clearance) {
  radius_ = std::max(0.0, radiusMm);
  clearance_ = std::move(clearance);
}

// How much of the move (dx, dy) from the true pose the body can make before it
// touches an obstacle: 1 when free. The path is sampled finer than the radius
// so that a long step cannot jump a thin wall, then the contact is bisected to
// well under a millimetre. A move that does not bring the body closer to the
// obstacle is always allowed, so a body in contact can back off or turn.
double SimRobot::allowedFraction(double dx, double dy) const {
  if (!clearance_) return 1;
  const double length = std::hypot(dx, dy);
  if (length <= 0) return 1;
  auto blocked = [&](double f, double before) {
    const double c = clearance_(true_.x + f * dx, true_.y + f * dy);
    return c < radius_ && c < before;
  };
  const double start = clearance_(true_.x, true_.y);
  const int samples = std::max(1, static_cast<int>(std::ceil(length / std::max(radius_ / 4, 1.0))));
  double good = 0;
  double before = start;
  for (int i = 1; i <= samples; ++i) {
    const double f = static_cast<double>(i) / samples;
    if (!blocked(f, before)) {
      good = f;
      before = clearance_(true_.x + f * dx, true_.y + f * dy);
      continue;
    }
    double bad = f;
    for (int k = 0; k < 30 && (bad - good) * length > 0.05; ++k) {
      const double mid = (good + bad) / 2;
      if (blocked(mid, before)) {
        bad = mid;
      } else {
        good = mid;
      }
    }
    return good;
  }
  return 1;
}

void SimRobot::enableMotors(bool on) {
  enabled_ = on;
  if (!on) emergencyStop();
}

void SimRobot::setWheelVels(double l, double r) {
  if (!enabled_) return;
  mode_ = Mode::Wheels;
  targetLeft_ = l;
  targetRight_ = r;
}

void SimRobot::setVel(double v) {
  if (!enabled_) return;
  if (mode_ == Mode::Wheels) {
    targetRotVel_ = 0;
    mode_ = Mode::VelRot;
  }
  targetVel_ = v;
}

void SimRobot::setRotVel(double degPerS) {
  if (!enabled_) return;
  if (mode_ == Mode::Wheels) targetVel_ = 0;
  mode_ = Mode::VelRot;
  targetRotVel_ = degPerS * kDegToRad;
}

void SimRobot::setHeading(double degrees) {
  if (!enabled_) return;
  if (mode_ == Mode::Wheels) targetVel_ = 0;
  mode_ = Mode::Heading;
  targetHeading_ = simNormalizeRad(degrees * kDegToRad);
}

void SimRobot::stop() {
  mode_ = Mode::Wheels;
  targetLeft_ = targetRight_ = 0;
}

void SimRobot::emergencyStop() {
  stop();
  left_ = right_ = 0;
}

void SimRobot::resetOdometry() {
  odo_ = SimPose{};
}

void SimRobot::setAccel(double a) {
  if (a > 0) config_.accel = a;
  if (a < 0) config_.decel = -a;
}

void SimRobot::setMaxVel(double v) {
  if (v > 0) config_.maxVel = v;
}

void SimRobot::setMaxRotVel(double d) {
  if (d > 0) config_.maxRotVel = d;
}

void SimRobot::setRotAccel(double a) {
  if (a > 0) config_.rotAccel = a;
  if (a < 0) config_.rotDecel = -a;
}

void SimRobot::wheelTargets(double& left, double& right) const {
  if (mode_ == Mode::Wheels) {
    left = targetLeft_;
    right = targetRight_;
  } else {
    const double maxRot = config_.maxRotVel * kDegToRad;
    double w = targetRotVel_;
    if (mode_ == Mode::Heading) {
      // Turn toward the heading, slowing as it closes in.
      w = 2.0 * simNormalizeRad(targetHeading_ - odo_.th);
    }
    w = std::clamp(w, -maxRot, maxRot);
    const double v = std::clamp(targetVel_, -config_.maxVel, config_.maxVel);
    left = v - w / config_.diffConv;
    right = v + w / config_.diffConv;
  }
  left = std::clamp(left, -config_.maxVel, config_.maxVel);
  right = std::clamp(right, -config_.maxVel, config_.maxVel);
}

void SimRobot::step(double dt) {
  if (dt <= 0) return;
  double tl, tr;
  wheelTargets(tl, tr);
  if (mode_ == Mode::Wheels) {
    left_ = approach(left_, tl, config_.accel, config_.decel, dt);
    right_ = approach(right_, tr, config_.accel, config_.decel, dt);
  } else {
    // Translation and rotation ramp separately, each with its own limits.
    const double d = config_.diffConv;
    const double v =
        approach((left_ + right_) / 2, (tl + tr) / 2, config_.accel, config_.decel, dt);
    const double w = approach((right_ - left_) * d / 2, (tr - tl) * d / 2,
                              config_.rotAccel * kDegToRad, config_.rotDecel * kDegToRad, dt);
    left_ = v - w / d;
    right_ = v + w / d;
  }
  const double v = (left_ + right_) / 2;
  const double w = (right_ - left_) * config_.diffConv / 2;
  // The move in the world decides how much of it the body can make; the
  // odometry counts the same share, since the wheels turn only that far.
  const double trueMid = true_.th + w * dt / 2;
  const double fraction = allowedFraction(v * std::cos(trueMid) * dt, v * std::sin(trueMid) * dt);
  for (SimPose* p : {&true_, &odo_}) {
    const double mid = p->th + w * dt / 2;
    p->x += fraction * v * std::cos(mid) * dt;
    p->y += fraction * v * std::sin(mid) * dt;
    p->th = simNormalizeRad(p->th + w * dt);
  }
  // Against an obstacle the wheels stop; they stay stalled while the drive
  // keeps pushing, and start again from rest once it turns or backs away.
  stalled_ = fraction < 1;
  if (stalled_) left_ = right_ = 0;
}

ArStatusFields SimRobot::status() const {
  ArStatusFields f;
  const bool moving = std::abs(left_) > 0.5 || std::abs(right_) > 0.5;
  f.type = moving ? 0x33 : 0x32;
  // Counts travel in 16 bits and wrap; the reader keeps the low 15.
  f.xCounts = static_cast<uint16_t>(std::lround(odo_.x / config_.distConv) & 0xFFFF);
  f.yCounts = static_cast<uint16_t>(std::lround(odo_.y / config_.distConv) & 0xFFFF);
  f.thUnits = static_cast<int16_t>(std::lround(odo_.th / config_.angleConv));
  f.leftVel = static_cast<int16_t>(std::lround(left_));
  f.rightVel = static_cast<int16_t>(std::lround(right_));
  f.battery = static_cast<uint8_t>(std::lround(config_.batteryVolts * 10));
  f.stallBumpers = stalled_ ? static_cast<uint16_t>(kStallLeft | kStallRight) : 0;
  f.flags = static_cast<uint16_t>((enabled_ ? 1 : 0) | (sonar_ ? 0x1E : 0));
  f.hasRotVel = true;
  f.rotVelTenthDeg =
      static_cast<int16_t>(std::lround((right_ - left_) * config_.diffConv / 2 / kDegToRad * 10));
  return f;
}
