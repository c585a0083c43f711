#include "robot/pose_update.h"

#include <gtest/gtest.h>

#include <memory>

#include "state/robot_controller.h"

TEST(PoseUpdate, FirstPoseSetsTheOriginWhateverThePose) {
  auto rc = std::make_unique<RobotController>();
  updatePose(*rc, ArPose(5320, -870, 30), 250);
  EXPECT_FALSE(rc->firstPose);
  EXPECT_EQ(rc->odoOriginX, 5.32f);
  EXPECT_EQ(rc->odoOriginY, -0.87f);
  EXPECT_EQ(rc->odoDisplacementX, 0.0f);
  EXPECT_EQ(rc->odoDisplacementY, 0.0f);
  EXPECT_EQ(rc->mapRow, 250);
  EXPECT_EQ(rc->mapCol, 250);
  EXPECT_NEAR(rc->headingRad, 30 * 3.1415927 / 180, 1e-7);
  EXPECT_EQ(rc->robotSpeed, 0.25f);
}

TEST(PoseUpdate, LaterPosesAreReBasedOnTheOrigin) {
  struct Case {
    double x, y;  // mm, after a first pose at (1000, 2000)
    int row, col;
  };
  const Case cases[] = {
      {2050, 2200, 260, 248},          // X grows the row, Y shrinks the column
      {950, 2000, 250, 250},           // -0.05 m is no whole cell: truncation toward zero
      {1000, 1950, 250, 250},          // likewise in Y
      {850, 2160, 249, 249},           // -0.15 m in X, +0.16 m in Y
      {1000 - 30000, 2000, -50, 250},  // left the grid: the cell is not bounded
  };
  for (const Case& c : cases) {
    auto rc = std::make_unique<RobotController>();
    updatePose(*rc, ArPose(1000, 2000, 0), 0);
    updatePose(*rc, ArPose(c.x, c.y, -90), -120);
    EXPECT_NEAR(rc->odoDisplacementX, (c.x - 1000) / 1000, 1e-6) << c.x << "," << c.y;
    EXPECT_NEAR(rc->odoDisplacementY, (c.y - 2000) / 1000, 1e-6) << c.x << "," << c.y;
    EXPECT_EQ(rc->mapRow, c.row) << c.x << "," << c.y;
    EXPECT_EQ(rc->mapCol, c.col) << c.x << "," << c.y;
    EXPECT_NEAR(rc->headingRad, -3.1415927 / 2, 1e-6);
    EXPECT_EQ(rc->robotSpeed, -0.12f);
  }
}
