// The station record's pose update fed straight from a connected robot: the
// speed it stores is the robot's translational velocity.
#include <gtest/gtest.h>

#include <memory>

#include "robot/pose_update.h"
#include "robot_test_support.h"
#include "state/robot_controller.h"

using namespace std::chrono_literals;

TEST(PoseUpdateFromRobot, TakesTheRobotsVelocityAndPose) {
  SimLink link;
  ASSERT_TRUE(link.up());
  link.robot.comInt(5, 20000);
  link.robot.setVel2(300, 300);
  ASSERT_TRUE(pollUntil([&] { return link.robot.getVel() == 300; }, 2000ms));
  auto rc = std::make_unique<RobotController>();
  const ArPose first = link.robot.getRawEncoderPose();
  updatePose(*rc, first, link.robot);
  EXPECT_FLOAT_EQ(rc->robotSpeed, 0.3f);
  ASSERT_TRUE(
      pollUntil([&] { return link.robot.getRawEncoderPose().getX() > first.getX() + 60; }, 2000ms));
  const ArPose later = link.robot.getRawEncoderPose();
  updatePose(*rc, later, link.robot);
  EXPECT_GT(rc->odoDisplacementX, 0.05f);
  Aria::shutdown();
}
