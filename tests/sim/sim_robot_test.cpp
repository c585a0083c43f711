// The simulated body: wheel speeds from the motion commands, the limits, the
// pose it integrates and the status it reports.
#include "sim/sim_robot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {
SimRobot enabledRobot() {
  SimRobot r;
  r.enableMotors(true);
  return r;
}

void run(SimRobot& r, double seconds, double dt = 0.1) {
  for (double t = 0; t < seconds - 1e-9; t += dt) r.step(dt);
}
}  // namespace

TEST(SimRobot, WheelCommandsTurnTheDocumentedWay) {
  struct Case {
    double left, right;
    int headingSign;  // +1 rising (counter-clockwise), -1 falling
  };
  const Case cases[] = {{100, -100, -1}, {-60, 120, +1}, {200, 200, 0}};
  for (const Case& c : cases) {
    SimRobot r = enabledRobot();
    r.setAccel(100000);
    r.setAccel(-100000);
    r.setWheelVels(c.left, c.right);
    run(r, 1.0);
    EXPECT_DOUBLE_EQ(r.leftVel(), c.left);
    EXPECT_DOUBLE_EQ(r.rightVel(), c.right);
    const double th = r.truePose().th;
    if (c.headingSign == 0) {
      EXPECT_NEAR(th, 0, 1e-12);
    } else {
      EXPECT_GT(th * c.headingSign, 0);
    }
    // Turn rate (R - L) / 2 * DiffConv rad/s, for about one second.
    EXPECT_NEAR(th, (c.right - c.left) / 2 * 0.0056 * 1.0, 0.1 * std::abs(th) + 1e-9);
  }
}

TEST(SimRobot, AccelerationAndSpeedLimitsShapeTheRamp) {
  SimRobot r = enabledRobot();  // 300 mm/s^2 by default
  r.setWheelVels(600, 600);
  r.step(0.1);
  EXPECT_DOUBLE_EQ(r.leftVel(), 30);
  run(r, 1.9);
  EXPECT_DOUBLE_EQ(r.leftVel(), 600);
  r.setAccel(-1000);  // deceleration
  r.stop();
  r.step(0.1);
  EXPECT_DOUBLE_EQ(r.leftVel(), 500);
  r.setMaxVel(250);
  r.setWheelVels(2000, -2000);
  run(r, 5);
  EXPECT_DOUBLE_EQ(r.leftVel(), 250);
  EXPECT_DOUBLE_EQ(r.rightVel(), -250);
  r.emergencyStop();
  EXPECT_DOUBLE_EQ(r.leftVel(), 0);
}

TEST(SimRobot, RotationRampsWithItsOwnLimits) {
  SimRobot r = enabledRobot();
  r.setRotAccel(45);   // deg/s^2
  r.setRotAccel(-90);  // deg/s^2 when slowing
  r.setMaxRotVel(60);
  r.setRotVel(90);  // above the limit
  auto degPerS = [&] { return (r.rightVel() - r.leftVel()) * 0.0056 / 2 * 180 / std::numbers::pi; };
  run(r, 1);
  EXPECT_NEAR(degPerS(), 45, 1e-6);
  run(r, 2);
  EXPECT_NEAR(degPerS(), 60, 1e-6);
  r.setRotVel(0);
  r.step(0.1);
  EXPECT_NEAR(degPerS(), 51, 1e-6);
  EXPECT_NEAR((r.leftVel() + r.rightVel()) / 2, 0, 1e-9);  // a turn on the spot
}

TEST(SimRobot, MotionCommandsAreIgnoredWithMotorsOff) {
  SimRobot r;  // comes up with its motors off
  r.setWheelVels(300, 300);
  r.setVel(300);
  r.setRotVel(30);
  run(r, 1);
  EXPECT_EQ(r.leftVel(), 0);
  EXPECT_EQ(r.truePose().x, 0);
  r.enableMotors(true);
  r.setWheelVels(300, 300);
  run(r, 1);
  EXPECT_GT(r.leftVel(), 0);
  r.enableMotors(false);  // disabling stops at once
  EXPECT_EQ(r.leftVel(), 0);
}

TEST(SimRobot, VelRvelAndHeadDrive) {
  SimRobot r = enabledRobot();
  r.setAccel(100000);
  r.setAccel(-100000);
  r.setVel(200);
  r.setRotVel(20);  // deg/s, counter-clockwise
  run(r, 1);
  EXPECT_NEAR((r.leftVel() + r.rightVel()) / 2, 200, 1e-9);
  EXPECT_NEAR((r.rightVel() - r.leftVel()) * 0.0056 / 2, 20 * std::numbers::pi / 180, 1e-9);
  r.setVel(0);
  r.setHeading(-90);
  run(r, 10);
  EXPECT_NEAR(r.odometryPose().th, -std::numbers::pi / 2, 0.01);
}

TEST(SimRobot, StatusCountsWrapAndOdometryResets) {
  SimRobotConfig config;
  SimRobot r(config);
  r.enableMotors(true);
  r.setAccel(100000);
  r.setWheelVels(-240, -240);
  r.step(0.1);  // 24 mm toward negative x
  ArStatusFields s = r.status();
  EXPECT_EQ(s.xCounts, 65512);  // as the standard simulator reports it
  EXPECT_EQ(s.type, 0x33);      // moving
  EXPECT_EQ(s.leftVel, -240);
  EXPECT_EQ(s.flags & 1, 1);
  EXPECT_EQ(s.battery, 125);
  r.resetOdometry();
  EXPECT_EQ(r.status().xCounts, 0);
  EXPECT_NEAR(r.truePose().x, -24, 1e-9);  // the body did not move back

  SimRobotConfig old = config;
  old.distConv = 0.485;
  SimRobot o(old);
  o.enableMotors(true);
  o.setAccel(100000);
  o.setWheelVels(970, 970);
  o.step(0.1);
  EXPECT_EQ(o.status().xCounts, 200);  // 97 mm in 0.485 mm counts
}
