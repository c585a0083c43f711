#include <gtest/gtest.h>

#include <cmath>

#include "state/arc_table.h"
#include "state/robot_controller.h"

TEST(StationRecord, StartsWithOnlyTheStartCellMarked) {
  auto rc = std::make_unique<RobotController>();
  int nonZero = 0;
  for (int i = 0; i < kGridCells; ++i) {
    nonZero += rc->trackGrid[static_cast<std::size_t>(i)] != 0;
    nonZero += rc->obstacleGrid[static_cast<std::size_t>(i)] != 0;
  }
  EXPECT_EQ(nonZero, 1);
  EXPECT_EQ(rc->trackGrid[gridIndex(250, 250)], 1);
  EXPECT_TRUE(rc->firstPose);
  EXPECT_FALSE(rc->laserValid);
  EXPECT_EQ(rc->laserLastIndex, -1);
  EXPECT_EQ(laserScan(*rc).count, 0);
  EXPECT_STREQ(rc->serialPortName, "COM1");
  EXPECT_STREQ(rc->routeFileName, "data_ruta.dat");
  EXPECT_STREQ(rc->laserFileName, "data_sick.dat");
  EXPECT_EQ(rc->laserDisplayRange, 5.0f);
  EXPECT_EQ(rc->gpsLatHemisphere, 'S');
  EXPECT_EQ(rc->gpsLonHemisphere, 'W');
  EXPECT_EQ(rc->mapRow, 250);
  EXPECT_EQ(rc->mapCol, 250);
  EXPECT_EQ(rc->simulatorMode, 0);
}

TEST(ArcTable, EntriesCoverTheHalfCircleInHalfDegrees) {
  const ArcTable arcs;
  ASSERT_EQ(arcs.count, 361);
  struct Case {
    int index;
    double degrees;
  };
  for (const Case c : {Case{0, 0}, Case{1, 0.5}, Case{180, 90}, Case{270, 135}, Case{360, 180}}) {
    const double angle = c.degrees * 3.141592653589793 / 180.0;
    EXPECT_EQ(arcs.cosines[static_cast<std::size_t>(c.index)], static_cast<float>(std::cos(angle)))
        << c.index;
    EXPECT_EQ(arcs.sines[static_cast<std::size_t>(c.index)], static_cast<float>(std::sin(angle)))
        << c.index;
  }
  EXPECT_EQ(arcs.cosines[0], 1.0f);
  EXPECT_EQ(arcs.sines[180], 1.0f);
  EXPECT_EQ(arcs.cosines[360], -1.0f);
}
