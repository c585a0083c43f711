#include "laser/map_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "laser/laser_scan_reader.h"
#include "robot/pose_update.h"
#include "state/map_cells.h"
#include "state/robot_controller.h"
#include "tests/support/console_capture.h"
#include "tests/support/temp_dir.h"

namespace {
using Cell = std::pair<int, int>;

// The marked cells of a grid.
std::set<Cell> marked(const RobotController& rc) {
  std::set<Cell> cells;
  for (int row = 0; row < kGridSize; ++row) {
    for (int col = 0; col < kGridSize; ++col) {
      if (rc.obstacleGrid[static_cast<std::size_t>(gridIndex(row, col))] != 0)
        cells.insert({row, col});
    }
  }
  return cells;
}

// A record holding one scan whose reading `index` is `metres` (all others far
// outside the grid), read through the real file reader.
std::unique_ptr<RobotController> scanWithOneReading(const TempDir& dir, int index, double metres) {
  std::ostringstream text;
  text << "-1 361";
  for (int i = 0; i < 361; ++i) text << ' ' << (i == index ? metres * 100 : 8191);
  static std::string path;
  path = dir.write("data_sick.dat", text.str());
  auto rc = std::make_unique<RobotController>();
  rc->laserFileName = path.c_str();
  ConsoleCapture capture;
  readLaserScan(*rc);
  capture.text();
  return rc;
}
}  // namespace

TEST(MapGrid, ReadingsLandWhereAForwardScannerSeesThem) {
  struct Case {
    int reading;
    double metres;
    float headingRad;
    int mapRow, mapCol;
    std::set<Cell> cells;
  };
  const float half = 3.14159265f / 2;
  const Case cases[] = {
      {180, 1.0, 0, 250, 250, {{260, 250}}},     // straight ahead: along odometry X
      {0, 1.0, 0, 250, 250, {{250, 260}}},       // right: toward -Y, up the columns
      {360, 1.0, 0, 250, 250, {{250, 240}}},     // left: toward +Y
      {180, 1.0, half, 250, 250, {{250, 240}}},  // heading +Y
      {0, 1.0, half, 250, 250, {{260, 250}}},    // its right is +X
      {180, 2.55, 0, 100, 400, {{125, 400}}},    // from the robot's own cell
      {180, 0.05, 0, 250, 250, {{250, 250}}},    // half a cell: the robot's own
      {180, 30.0, 0, 250, 250, {}},              // beyond the grid
      {0, 1.0, 0, 250, 495, {}},                 // past the last column
      {180, 1.0, 0, 499, 250, {}},               // past the last row
  };
  TempDir dir;
  for (const Case& c : cases) {
    auto rc = scanWithOneReading(dir, c.reading, c.metres);
    rc->mapPose.store(MapPose{c.mapRow, c.mapCol, c.headingRad});
    markScanInMap(*rc);
    EXPECT_EQ(marked(*rc), c.cells) << "reading " << c.reading << " heading " << c.headingRad;
  }
}

TEST(MapGrid, NothingIsMarkedWithoutAValidScanAndMarksAreKept) {
  TempDir dir;
  auto rc = scanWithOneReading(dir, 180, 1.0);
  rc->laserValid = false;
  markScanInMap(*rc);
  EXPECT_TRUE(marked(*rc).empty());
  rc->laserValid = true;
  markScanInMap(*rc);
  markScanInMap(*rc);
  rc->mapPose.store(MapPose{200, 250, 0});  // the robot moved; the old mark stays
  markScanInMap(*rc);
  EXPECT_EQ(marked(*rc), (std::set<Cell>{{260, 250}, {210, 250}}));
  EXPECT_EQ(rc->obstacleGrid[gridIndex(260, 250)], 1);
}

TEST(MapGrid, AbsurdCellOffsetsDoNotOverflow) {
  EXPECT_EQ(truncCells(2.5f), 2);
  EXPECT_EQ(truncCells(-2.5f), -2);
  EXPECT_EQ(truncCells(1e30f), 1000000);
  EXPECT_EQ(truncCells(-1e30f), -1000000);
  EXPECT_EQ(truncCells(std::nanf("")), -1000000);
}

// Real scans taken while the robot drove, placed at their corrected poses:
// consecutive scans of the same walls must land on the same cells.
TEST(MapGrid, RealScansAtTheirPosesLineUpOnTheSameWalls) {
  struct Pose {
    double x, y, th;
  };
  std::vector<Pose> poses;
  std::ifstream in(std::string(TORVA_TEST_DATA) + "/laser/poses_corrected.tsv");
  std::string header;
  std::getline(in, header);
  int index = 0;
  Pose p{};
  while (in >> index >> p.x >> p.y >> p.th) poses.push_back(p);
  ASSERT_GE(poses.size(), 10u);  // the file also holds the pose after the last scan

  std::vector<std::set<Cell>> scans;
  for (int k = 0; k < 10; ++k) {
    auto rc = std::make_unique<RobotController>();
    updatePose(*rc, ArPose(poses[0].x * 1000, poses[0].y * 1000, 0), 0);
    updatePose(*rc, ArPose(poses[k].x * 1000, poses[k].y * 1000, poses[k].th * 180 / M_PI), 0);
    char name[64];
    std::snprintf(name, sizeof name, "%s/laser/scan_%03d.dat", TORVA_TEST_DATA, k);
    rc->laserFileName = name;
    ConsoleCapture capture;
    readLaserScan(*rc);
    capture.text();
    ASSERT_EQ(rc->laserLastIndex, 360);
    markScanInMap(*rc);
    scans.push_back(marked(*rc));
    ASSERT_GT(scans.back().size(), 50u);
  }

  std::vector<double> shares;
  for (std::size_t k = 1; k < scans.size(); ++k) {
    int near = 0;
    for (const auto& [row, col] : scans[k]) {
      bool found = false;
      for (int dr = -1; dr <= 1 && !found; ++dr) {
        for (int dc = -1; dc <= 1 && !found; ++dc)
          found = scans[k - 1].count({row + dr, col + dc}) > 0;
      }
      near += found;
    }
    shares.push_back(static_cast<double>(near) / static_cast<double>(scans[k].size()));
  }
  std::sort(shares.begin(), shares.end());
  const double median = (shares[4]);  // nine shares
  EXPECT_GT(median, 0.6) << "median share of hits near the previous scan's hits";
}

// The robot worker publishes pose after pose while the laser thread takes
// the pose it marks from: row, column and heading always of one update.
TEST(MapGrid, AScanIsMarkedFromOnePoseUpdate) {
  auto rc = std::make_unique<RobotController>();
  rc->mapPose.store(MapPose{100, 100, 100});
  std::atomic<bool> run{true};
  std::thread worker([&] {
    for (int i = 0; run; ++i) {
      const int cell = i % 2 == 0 ? 100 : 400;
      rc->mapPose.store(MapPose{cell, cell, static_cast<float>(cell)});
    }
  });
  int mixed = 0;
  for (int i = 0; i < 200000; ++i) {
    const MarkPose pose = currentMarkPose(*rc);
    mixed += pose.mapRow != pose.mapCol || static_cast<float>(pose.mapRow) != pose.headingRad;
  }
  run = false;
  worker.join();
  EXPECT_EQ(mixed, 0);
}
