#include "robot/manual_drive.h"

#include <gtest/gtest.h>

#include <memory>

#include "state/robot_controller.h"
#include "tests/robot/fake_robot.h"

TEST(ManualDrive, SendsTheWheelSpeedsEveryPassAndUpdatesTheStationEveryEleventh) {
  auto station = std::make_unique<RobotController>();
  FakeRobot robot;
  robot.x = 1500;
  Relaxed<float> left{0.5f}, right{-0.5f};
  Relaxed<int> run{1};
  int updatesSeen = 0;
  robot.onPass = [&](FakeRobot& r) {
    // The station's first update happens on the eleventh pass.
    if (!station->firstPose && updatesSeen == 0) updatesSeen = r.passes;
    if (r.passes == 30) run = 0;
  };
  ArPose pose;
  testing::internal::CaptureStdout();
  manualDriveLoop(robot, pose, &left, &right, &run, *station);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "[1.500000] [0.000000] [0.000000]\n");
  EXPECT_EQ(updatesSeen, 11);
  ASSERT_EQ(robot.commands.size(), 30u);
  EXPECT_EQ(robot.commands.front(), (FakeRobot::Command{500, -500}));
  EXPECT_EQ(robot.commands.back(), (FakeRobot::Command{500, -500}));
}

TEST(ManualDrive, ARunFlagOfZeroSendsNothing) {
  auto station = std::make_unique<RobotController>();
  FakeRobot robot;
  Relaxed<float> left{1}, right{1};
  Relaxed<int> run{0};
  ArPose pose;
  testing::internal::CaptureStdout();
  manualDriveLoop(robot, pose, &left, &right, &run, *station);
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(robot.commands.empty());
  EXPECT_TRUE(station->firstPose);
}
