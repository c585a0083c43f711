// The simulated laser: what a scan sees in a room, and the scan file that the
// station's own reader takes while the writer keeps replacing it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "laser/laser_scan_reader.h"
#include "sim/laser_file_writer.h"
#include "sim/laser_scan_writer.h"
#include "sim/world_map.h"
#include "state/robot_controller.h"

namespace {
// A 10 m x 6 m room centred on the origin.
const char* const kRoom =
    "2D-Map\n"
    "NumLines: 4\n"
    "LINES\n"
    "-5000 -3000 5000 -3000\n"
    "5000 -3000 5000 3000\n"
    "5000 3000 -5000 3000\n"
    "-5000 3000 -5000 -3000\n"
    "DATA\n";

std::vector<Wall> roomWalls() {
  return parseWorldMap(kRoom).map.value().walls;
}

std::string makeTempDir() {
  char dir[] = "/tmp/torva-laser-XXXXXX";
  return ::mkdtemp(dir) != nullptr ? dir : "";
}
}  // namespace

TEST(SimLaser, ReadingsSeeTheWallsAheadAndAside) {
  const std::vector<Wall> walls = roomWalls();
  struct Case {
    double x, y, thDeg;
    int reading0, reading180, reading360;  // cm
  };
  const Case cases[] = {
      {4000, 0, 0, 300, 100, 300},     // facing the east wall from 1 m
      {0, 1000, 90, 500, 200, 500},    // facing north: east wall on the right
      {0, -2000, 180, 500, 500, 100},  // facing west: north wall on the right
      {-4500, 0, -90, 50, 300, 950},   // facing south
      {1000, 500, 45, 495, 354, 354},  // askew: every ray meets a long wall
  };
  for (const Case& c : cases) {
    const auto r = castScan(walls, c.x, c.y, c.thDeg, LaserSettings{}, nullptr);
    ASSERT_EQ(r.size(), 361u);
    EXPECT_EQ(r[0], c.reading0) << c.x << "," << c.y << "," << c.thDeg;
    EXPECT_EQ(r[180], c.reading180) << c.x << "," << c.y << "," << c.thDeg;
    EXPECT_EQ(r[360], c.reading360) << c.x << "," << c.y << "," << c.thDeg;
  }
  // Reading 90 looks 45 degrees to the right of ahead.
  EXPECT_EQ(castScan(walls, 0, 0, 0, LaserSettings{}, nullptr)[90], 424);
  // No walls: every reading is the maximum range.
  for (int r : castScan({}, 0, 0, 0, LaserSettings{}, nullptr)) ASSERT_EQ(r, 5000);
}

TEST(SimLaser, NoiseSpreadsHitsButNotTheMaximum) {
  LaserSettings noisy;
  noisy.noiseCm = 3;
  std::mt19937 random(7);
  std::vector<Wall> walls = {{1000, -100000, 1000, 100000}};  // 1 m ahead, any angle hits
  const auto r = castScan(walls, 0, 0, 0, noisy, &random);
  double sum = 0;
  int differ = 0;
  for (int i = 60; i <= 300; ++i) {
    const double exact = 100 / std::cos((i * 0.5 - 90) * std::numbers::pi / 180);
    sum += r[static_cast<std::size_t>(i)] - exact;
    differ += std::abs(r[static_cast<std::size_t>(i)] - exact) > 1.5 ? 1 : 0;
  }
  EXPECT_NEAR(sum / 241, 0, 1);
  EXPECT_GT(differ, 40);
  EXPECT_EQ(r[0], 5000);  // parallel to the wall: no return, no noise
}

// The writer replaces the file many times while the station's reader and a
// raw parse loop beside it: every read must be one whole scan of one pose.
TEST(SimLaserFile, ReadersNeverSeeAHalfWrittenScan) {
  const std::string dir = makeTempDir();
  ASSERT_FALSE(dir.empty());
  // Two poses facing the east wall, 1 m and 2 m away, 3 m and 4 m from the south wall.
  const SimPose poses[] = {{4000, 0, 0}, {3000, 1000, 0}};
  std::atomic<int> calls{0};
  LaserFileSettings settings;
  settings.dir = dir;
  settings.periodMs = 1;
  LaserFileWriter writer(
      roomWalls(), [&] { return poses[calls++ % 2]; }, settings);
  std::string error;
  ASSERT_TRUE(writer.start(error)) << error;

  auto rc = std::make_unique<RobotController>();
  const std::string path = writer.filePath();
  rc->laserFileName = path.c_str();
  int seen[2] = {0, 0};
  int reads = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  while (std::chrono::steady_clock::now() < end) {
    // The station's reader.
    readLaserScan(*rc);
    ASSERT_TRUE(rc->laserValid);
    const LaserScanView view = laserScan(*rc);
    ASSERT_EQ(view.count, 361);
    const float ahead = view[180];
    const float right = view[0];
    const bool first = ahead == 1.0f && right == 3.0f;
    const bool second = ahead == 2.0f && right == 4.0f;
    ASSERT_TRUE(first || second) << ahead << " " << right;
    ++seen[first ? 0 : 1];
    // A raw parse: the header, exactly 361 ranges, nothing else.
    std::ifstream in(path);
    double enable = 0, count = 0, value = 0;
    ASSERT_TRUE(in >> enable >> count);
    ASSERT_EQ(enable, -1);
    ASSERT_EQ(count, 361);
    int numbers = 0;
    while (in >> value) ++numbers;
    ASSERT_TRUE(in.eof());
    ASSERT_EQ(numbers, 361);
    ++reads;
  }
  writer.stop();
  // Both poses were seen many times: the reads really raced the writes.
  EXPECT_GT(seen[0], 10);
  EXPECT_GT(seen[1], 10);
  EXPECT_GT(calls.load(), 100);
  std::printf("%d lecturas, %d escrituras\n", reads, calls.load());
  ::unlink(path.c_str());
  ::rmdir(dir.c_str());
}

TEST(SimLaserFile, AFolderThatCannotBeWrittenIsAnError) {
  LaserFileSettings settings;
  settings.dir = "/nonexistent/torva";
  LaserFileWriter writer(
      {}, [] { return SimPose{}; }, settings);
  std::string error;
  EXPECT_FALSE(writer.start(error));
  EXPECT_EQ(error, "no se puede escribir /nonexistent/torva/data_sick.dat");
}
