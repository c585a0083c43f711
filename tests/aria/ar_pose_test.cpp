#include "aria/ar_pose.h"

#include <gtest/gtest.h>

TEST(ArPose, HeadingIsKeptInTheHalfOpenCircle) {
  struct Case {
    double in, out;
  };
  for (const Case c : {Case{0, 0}, Case{180, 180}, Case{-180, 180}, Case{190, -170},
                       Case{-190, 170}, Case{540, 180}, Case{-721, -1}, Case{359.5, -0.5}}) {
    EXPECT_DOUBLE_EQ(ArPose(0, 0, c.in).getTh(), c.out) << c.in;
  }
  ArPose p;
  p.setPose(1, 2, 270);
  p.setX(5);
  EXPECT_EQ(p.getX(), 5);
  EXPECT_EQ(p.getY(), 2);
  EXPECT_EQ(p.getTh(), -90);
}

TEST(ArPose, DistanceAndBearingToAnotherPose) {
  const ArPose from(1000, 1000, 45);
  EXPECT_DOUBLE_EQ(from.findDistanceTo(ArPose(4000, 5000)), 5000);
  EXPECT_DOUBLE_EQ(from.findAngleTo(ArPose(2000, 1000)), 0);
  EXPECT_DOUBLE_EQ(from.findAngleTo(ArPose(1000, 2000)), 90);
  EXPECT_DOUBLE_EQ(from.findAngleTo(ArPose(0, 1000)), 180);
  EXPECT_DOUBLE_EQ(from.findAngleTo(ArPose(1000, 0)), -90);
}
