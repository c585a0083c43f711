#include "laser/laser_scan_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "laser/map_grid.h"
#include "state/robot_controller.h"
#include "tests/support/temp_dir.h"

namespace {
const char* const kStartLines = "inicio laser\n-1\n0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n";

class LaserReader : public testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.file("data_sick.dat");
    rc_->laserFileName = path_.c_str();
  }
  void writeScan(const std::string& text) { dir_.write("data_sick.dat", text); }
  // Reads once and returns what the reader printed.
  std::string read() {
    testing::internal::CaptureStdout();
    readLaserScan(*rc_);
    return testing::internal::GetCapturedStdout();
  }
  std::vector<float> readings() const {
    const LaserScanView scan = laserScan(*rc_);
    std::vector<float> out;
    for (int i = 0; i < scan.count; ++i) out.push_back(scan[i]);
    return out;
  }

  TempDir dir_;
  std::string path_;
  std::unique_ptr<RobotController> rc_ = std::make_unique<RobotController>();
};
}  // namespace

TEST_F(LaserReader, ReadsCentimetresIntoMetresAndAnnouncesTheFirstScan) {
  writeScan("-1\n3\n100 250\t50\n");
  EXPECT_EQ(read(), kStartLines);
  EXPECT_TRUE(rc_->laserValid);
  EXPECT_EQ(rc_->laserLastIndex, 2);
  EXPECT_EQ(readings(), (std::vector<float>{1.0f, 2.5f, 0.5f}));
  // Later scans are quiet.
  writeScan("-1 3 200 300 400");
  EXPECT_EQ(read(), "");
  EXPECT_EQ(readings(), (std::vector<float>{2.0f, 3.0f, 4.0f}));
}

TEST_F(LaserReader, FilesWithoutAScanChangeNothing) {
  const std::string cases[] = {"0 3 1 2 3", "",         "garbage -1 3 1 2 3",
                               "-1",        "-1 x 1 2", std::string("\x7f\x45\x4c\x46\x00\x01", 6),
                               "-2 3 1 2 3"};
  for (const std::string& text : cases) {
    auto fresh = std::make_unique<RobotController>();
    fresh->laserFileName = path_.c_str();
    writeScan(text);
    readLaserScan(*fresh);
    EXPECT_FALSE(fresh->laserValid) << text;
    EXPECT_EQ(fresh->laserLastIndex, -1) << text;

    writeScan("-1 2 100 200");
    read();
    writeScan(text);
    EXPECT_EQ(read(), "") << text;
    EXPECT_TRUE(rc_->laserValid) << text;
    EXPECT_EQ(readings(), (std::vector<float>{1.0f, 2.0f})) << text;
  }
}

TEST_F(LaserReader, CountIsTruncatedAndExtraOrMissingReadingsAreHandled) {
  writeScan("-1 3.9 100 200 300 400 500");
  read();
  EXPECT_EQ(readings(), (std::vector<float>{1, 2, 3}));
  // Fewer readings than announced: the rest keep the previous scan.
  writeScan("-1 3 700");
  read();
  EXPECT_EQ(readings(), (std::vector<float>{7, 2, 3}));
  // A token that is not a number ends the readings there.
  writeScan("-1 3 800 x 900");
  read();
  EXPECT_EQ(readings(), (std::vector<float>{8, 2, 3}));
  // A count of 0 (or a fraction that truncates to it) is a good read with no readings.
  for (const char* none : {"-1 0", "-1 -0.5 100"}) {
    writeScan(none);
    EXPECT_EQ(read(), "") << none;
    EXPECT_TRUE(rc_->laserValid) << none;
    EXPECT_EQ(rc_->laserLastIndex, -1) << none;
  }
}

TEST_F(LaserReader, ACountOutOfRangeIsRefusedOnceAndChangesNothing) {
  struct Case {
    const char* text;
    const char* line;
  };
  const Case cases[] = {
      {"-1 1e12 1 2 3", "laser: el archivo anuncia 1e+12 lecturas (entre 0 y 65536), se ignora\n"},
      {"-1 65537 1", "laser: el archivo anuncia 65537 lecturas (entre 0 y 65536), se ignora\n"},
      {"-1 -5 100", "laser: el archivo anuncia -5 lecturas (entre 0 y 65536), se ignora\n"},
      {"-1 -1e30 1", "laser: el archivo anuncia -1e+30 lecturas (entre 0 y 65536), se ignora\n"},
      {"-1 1e300 1", "laser: el archivo anuncia 1e+300 lecturas (entre 0 y 65536), se ignora\n"},
  };
  writeScan("-1 2 300 400");
  read();
  for (const Case& c : cases) {
    writeScan(c.text);
    EXPECT_EQ(read(), c.line) << c.text;
    EXPECT_EQ(read(), "") << c.text << ": once per count, not ten times a second";
    EXPECT_TRUE(rc_->laserValid) << c.text;
    EXPECT_EQ(readings(), (std::vector<float>{3, 4})) << c.text;
  }
  // The largest count is taken, and a reading no float holds ends the readings.
  writeScan("-1 65536 500 1e300 600");
  EXPECT_EQ(read(), "");
  EXPECT_EQ(rc_->laserLastIndex, 65535);
  EXPECT_EQ(laserScan(*rc_)[0], 5.0f);
  EXPECT_EQ(laserScan(*rc_)[1], 4.0f);
}

TEST_F(LaserReader, ALargerCountGrowsTheBufferWithoutCuttingReadings) {
  writeScan("-1 2 100 200");
  read();
  writeScan("-1 4 300 400 500 600");
  EXPECT_EQ(read(), "");
  EXPECT_EQ(readings(), (std::vector<float>{3, 4, 5, 6}));
}

TEST_F(LaserReader, ADeletedFileInvalidatesOneCycleAndTheNextScanStartsAgain) {
  writeScan("-1 3 100 200 300");
  read();
  rc_->headingRad = 0;
  std::remove(path_.c_str());
  EXPECT_EQ(read(), "");
  EXPECT_FALSE(rc_->laserValid);
  // The radar still has the old scan, but nothing is marked.
  EXPECT_EQ(readings(), (std::vector<float>{1, 2, 3}));
  markScanInMap(*rc_);
  for (int i = 0; i < kGridCells; ++i) ASSERT_EQ(rc_->obstacleGrid[static_cast<std::size_t>(i)], 0);

  writeScan("-1 2 400 500");
  EXPECT_EQ(read(), kStartLines);
  EXPECT_EQ(readings(), (std::vector<float>{4, 5}));
}

TEST_F(LaserReader, AReaderThreadBesideTheLaserThreadSeesWholeBuffers) {
  writeScan("-1 3 100 200 300");
  std::atomic<bool> stop{false};
  testing::internal::CaptureStdout();
  std::thread laser([&] { laserLoop(*rc_, &stop); });
  std::atomic<long> seen{0};
  std::thread radar([&] {
    while (!stop) {
      const LaserScanView scan = laserScan(*rc_);
      float sum = 0;
      for (int i = 0; i < scan.count; ++i) sum += scan[i];
      seen += sum > 0;
      int marked = 0;
      for (int i = 0; i < 500; ++i) marked += rc_->obstacleGrid[gridIndex(250, i)];
      (void)marked;
    }
  });
  // Growing, shrinking, vanishing and returning scans while the radar reads.
  const char* const files[] = {"-1 361 ", "-1 5 1 2 3 4 5", nullptr, "-1 2000 7 8 9", "-1 1 4"};
  for (int round = 0; round < 3; ++round) {
    for (const char* f : files) {
      if (f == nullptr) {
        std::remove(path_.c_str());
      } else {
        std::string text = f;
        if (text == "-1 361 ")
          for (int i = 0; i < 361; ++i) text += "150 ";
        writeScan(text);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(120));
    }
  }
  stop = true;
  laser.join();
  radar.join();
  testing::internal::GetCapturedStdout();
  EXPECT_GT(seen.load(), 0);
  EXPECT_EQ(rc_->laserLastIndex, 0);
}

// Another program rewriting the file in place (truncate, then the text in small
// pieces) while the laser thread reads it: a read may catch any prefix of a
// scan or of binary garbage. The thread keeps going, takes no reading that was
// never written (a number cut short at the end is a prefix of a real one), and
// reads the first whole scan after the rewrites stop.
TEST_F(LaserReader, AFileRewrittenInPlaceMidReadYieldsOnlyWhatWasWritten) {
  std::string wide = "-1 361";
  for (int i = 0; i < 361; ++i) wide += " 150";
  std::string narrow = "-1 40";
  for (int i = 0; i < 40; ++i) narrow += " 300";
  std::string garbage;
  for (int i = 0; i < 600; ++i) garbage += static_cast<char>(0x80 + (i * 37) % 128);
  const std::string* const texts[] = {&wide, &garbage, &narrow};
  // Every value a prefix of "150" or "300" gives, in metres, and an untouched 0.
  const float allowed[] = {0.0f, 0.01f, 0.15f, 1.5f, 0.03f, 0.3f, 3.0f};

  std::atomic<bool> stop{false};
  std::atomic<bool> stopWriting{false};
  testing::internal::CaptureStdout();
  std::thread laser([&] { laserLoop(*rc_, &stop); });
  std::thread writer([&] {
    for (int round = 0; !stopWriting; ++round) {
      const std::string& text = *texts[round % 3];
      const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ASSERT_GE(fd, 0);
      for (std::size_t at = 0; at < text.size(); at += 64) {
        const std::size_t n = std::min<std::size_t>(64, text.size() - at);
        ASSERT_EQ(::write(fd, text.data() + at, n), static_cast<ssize_t>(n));
        std::this_thread::sleep_for(std::chrono::microseconds(300));
      }
      ::close(fd);
    }
  });
  int looks = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  while (std::chrono::steady_clock::now() < end) {
    const LaserScanView scan = laserScan(*rc_);
    for (int i = 0; i < scan.count; ++i) {
      const float v = scan[i];
      ASSERT_NE(std::find(std::begin(allowed), std::end(allowed), v), std::end(allowed))
          << "reading " << i << " = " << v;
    }
    ++looks;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  stopWriting = true;
  writer.join();
  writeScan("-1 3 100 200 300");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  stop = true;
  laser.join();
  testing::internal::GetCapturedStdout();
  EXPECT_GT(looks, 100);
  EXPECT_TRUE(rc_->laserValid);
  EXPECT_EQ(readings(), (std::vector<float>{1, 2, 3}));
}
