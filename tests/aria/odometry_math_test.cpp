// Status packets into poses: 15-bit wrap-around, heading deltas and the
// encoder transform.
#include <gtest/gtest.h>

#include <cmath>

#include "aria/ar_encoder_odometry.h"

namespace {
ArStatusFields status(int x, int y, int th) {
  ArStatusFields f;
  f.xCounts = static_cast<uint16_t>(x & 0xFFFF);
  f.yCounts = static_cast<uint16_t>(y & 0xFFFF);
  f.thUnits = static_cast<int16_t>(th);
  return f;
}
}  // namespace

TEST(EncoderOdometry, WrapsAcrossFifteenBitsInBothDirections) {
  ArRobotParams sh;  // 1 mm per count
  ArEncoderOdometry odo;
  applyStatusToOdometry(odo, status(0, 0, 0), sh);
  // Forward in x by 500 counts a packet to 40000 counts; y backward to -40000.
  int x = 0, y = 0;
  for (int i = 0; i < 80; ++i) {
    x += 500;
    y -= 500;
    applyStatusToOdometry(odo, status(x, y, 0), sh);
  }
  EXPECT_DOUBLE_EQ(odo.raw.getX(), 40000);
  EXPECT_DOUBLE_EQ(odo.raw.getY(), -40000);

  // The simulator's report of 24 mm toward negative y: 65512, low 15 bits 32744.
  ArEncoderOdometry odo2;
  applyStatusToOdometry(odo2, status(0, 0, 0), sh);
  applyStatusToOdometry(odo2, status(0, 65512, 0), sh);
  EXPECT_DOUBLE_EQ(odo2.raw.getY(), -24);
}

TEST(EncoderOdometry, FirstPacketSetsThePoseInModelUnits) {
  ArRobotParams old;
  old.distConvFactor = 0.485;
  ArEncoderOdometry odo;
  applyStatusToOdometry(odo, status(1000, 2000, 1024), old);  // 1024 units: 90 degrees
  EXPECT_DOUBLE_EQ(odo.raw.getX(), 485);
  EXPECT_DOUBLE_EQ(odo.raw.getY(), 970);
  EXPECT_NEAR(odo.raw.getTh(), 90, 0.05);
  applyStatusToOdometry(odo, status(1100, 2000, 1024 + 1000), old);
  EXPECT_NEAR(odo.raw.getX(), 485 + 48.5, 1e-9);
  // 2024 units is 177.9 degrees; the next packet crosses 180.
  applyStatusToOdometry(odo, status(1100, 2000, -2000), old);
  EXPECT_NEAR(odo.raw.getTh(), ArMath::radToDeg(-2000 * 0.001534), 0.05);
  EXPECT_GT(odo.raw.getTh(), -180);
  EXPECT_LE(odo.raw.getTh(), 180);
}

TEST(EncoderOdometry, WrapDeltaTable) {
  struct Case {
    int now, before, delta;
  };
  const Case cases[] = {{10, 0, 10},     {0, 10, -10},        {5, 32760, 13},
                        {32760, 5, -13}, {0x1000, 0, 0x1000}, {0x1001, 0, 0x1001 - 0x8000}};
  for (const Case& c : cases) EXPECT_EQ(wrapCountDelta(c.now, c.before), c.delta);
}

TEST(EncoderTransform, RotatesThenShifts) {
  struct Case {
    ArPose t, p, expected;
  };
  const Case cases[] = {
      {{0, 0, 0}, {100, 50, 10}, {100, 50, 10}},
      {{1000, 500, 90}, {100, 0, 0}, {1000, 600, 90}},
      {{1000, 500, 90}, {0, 100, 45}, {900, 500, 135}},
      {{1, 1, 180}, {10, 0, 170}, {-9, 1, -10}},
      {{1, 1, 0.91367844}, {0, 0, 0}, {1, 1, 0.91367844}},
  };
  for (const Case& c : cases) {
    const ArPose r = applyEncoderTransform(c.t, c.p);
    EXPECT_NEAR(r.getX(), c.expected.getX(), 1e-9);
    EXPECT_NEAR(r.getY(), c.expected.getY(), 1e-9);
    EXPECT_NEAR(r.getTh(), c.expected.getTh(), 1e-9);
  }
}
