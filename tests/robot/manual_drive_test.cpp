#include "robot/manual_drive.h"

#include <gtest/gtest.h>

#include <memory>

#include "state/robot_controller.h"
#include "tests/robot/fake_robot.h"
#include "tests/support/console_capture.h"

TEST(ManualDrive, RenewsTheWheelSpeedsEveryPassAndUpdatesTheStationEveryEleventh) {
  auto station = std::make_unique<RobotController>();
  FakeRobot robot;
  robot.x = 1500;
  SharedWheelSpeeds wheels{WheelSpeeds{0.5f, -0.5f}};
  Relaxed<int> run{1};
  int updatesSeen = 0;
  robot.onPass = [&](FakeRobot& r) {
    // The station's first update happens on the eleventh pass.
    if (!station->firstPose && updatesSeen == 0) updatesSeen = r.passes;
    if (r.passes == 30) run = 0;
  };
  ArPose pose;
  ConsoleCapture capture;
  manualDriveLoop(robot, pose, &wheels, &run, *station);
  EXPECT_EQ(capture.text(), "[1.500000] [0.000000] [0.000000]\n");
  EXPECT_EQ(updatesSeen, 11);
  ASSERT_EQ(robot.commands.size(), 1u);
  EXPECT_EQ(robot.commands.front(), (FakeRobot::Command{500, -500}));
  // Renewed on every pass (0.1 s here), so the robot layer keeps sending it.
  EXPECT_LE(robot.longestUnrenewedMotion, 0.2);
}

TEST(ManualDrive, ARunFlagOfZeroSendsNothing) {
  auto station = std::make_unique<RobotController>();
  FakeRobot robot;
  SharedWheelSpeeds wheels{WheelSpeeds{1, 1}};
  Relaxed<int> run{0};
  ArPose pose;
  ConsoleCapture capture;
  manualDriveLoop(robot, pose, &wheels, &run, *station);
  capture.text();
  EXPECT_TRUE(robot.commands.empty());
  EXPECT_TRUE(station->firstPose);
}
