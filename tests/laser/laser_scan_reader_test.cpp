#include "laser/laser_scan_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "laser/map_grid.h"
#include "state/robot_controller.h"
#include "tests/support/console_capture.h"
#include "tests/support/poll_until.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unique_fd.h"

namespace {
const char* const kStartLines = "inicio laser\n-1\n0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n";

class LaserReader : public testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.file("data_sick.dat");
    rc_->laserFileName = path_.c_str();
  }
  void writeScan(const std::string& text) { dir_.write("data_sick.dat", text); }
  // Replaces the file whole, as a rename does: a read sees the old or the new.
  void replaceScan(const std::string& text) {
    std::rename(dir_.write("data_sick.dat.new", text).c_str(), path_.c_str());
  }
  // Reads once and returns what the reader printed.
  std::string read() {
    ConsoleCapture capture;
    readLaserScan(*rc_);
    return capture.text();
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

// A scan file of the reader-beside-reader test: reading i of scan k is
// 10000 (k + 1) + i centimetres, so any reading tells which scan and index put
// it there. It announces `count` readings and holds the first `given`.
struct NumberedScan {
  int id, count, given;
  int centimetres(int i) const { return 10000 * (id + 1) + i; }
  float metres(int i) const { return static_cast<float>(centimetres(i)) / 100.0f; }
  std::string text() const {
    std::string t = "-1 ";
    t += std::to_string(count);
    for (int i = 0; i < given; ++i) {
      t += ' ';
      t += std::to_string(centimetres(i));
    }
    return t;
  }
};

// The radar reads the buffer while the laser thread overwrites it in place,
// so one look may catch a scan half replaced by the next; but every reading
// it sees is one that a scan file put at that very index (or the 0 of a
// cleared buffer), never a number from elsewhere, and once the laser thread
// has taken a file the whole scan is there.
TEST_F(LaserReader, AReaderThreadBesideTheLaserThreadSeesWholeBuffers) {
  // Growing, shrinking, vanishing (count 0 here) and returning scans; one
  // that announces more readings than it holds.
  const int shapes[][2] = {{361, 361}, {5, 5}, {0, 0}, {2000, 3}, {1, 1}};
  std::vector<NumberedScan> scans;
  for (int round = 0; round < 3; ++round) {
    for (const auto& shape : shapes) {
      scans.push_back({static_cast<int>(scans.size()), shape[0], shape[1]});
    }
  }
  const auto readingIsFromAScan = [&](int i, float v) {
    if (v == 0) return true;
    const long cm = std::lround(static_cast<double>(v) * 100);
    const long id = cm / 10000 - 1;
    if (id < 0 || id >= static_cast<long>(scans.size()) || cm % 10000 != i) return false;
    const NumberedScan& scan = scans[static_cast<std::size_t>(id)];
    return i < scan.given && v == scan.metres(i);
  };

  std::atomic<bool> stop{false};
  ConsoleCapture capture;
  std::thread laser([&] { laserLoop(*rc_, &stop); });
  std::atomic<long> looks{0};
  std::string radarFault;  // the first reading out of place; read after the join
  std::thread radar([&] {
    while (!stop && radarFault.empty()) {
      const LaserScanView scan = laserScan(*rc_);
      for (int i = 0; i < scan.count && radarFault.empty(); ++i) {
        const float v = scan[i];
        if (!readingIsFromAScan(i, v)) {
          radarFault = "reading " + std::to_string(i) + " of " + std::to_string(scan.count) +
                       " is " + std::to_string(v);
        }
      }
      int marked = 0;
      for (int i = 0; i < 500; ++i) marked += rc_->obstacleGrid[gridIndex(250, i)];
      (void)marked;
      ++looks;
    }
  });

  std::string takenFault;  // the first scan the laser thread did not take whole
  for (const NumberedScan& scan : scans) {
    const bool vanish = scan.count == 0;
    if (vanish) {
      std::remove(path_.c_str());
    } else {
      replaceScan(scan.text());
    }
    const auto taken = [&] {
      if (vanish) return !rc_->laserValid;
      const LaserScanView view = laserScan(*rc_);
      if (!rc_->laserValid || view.count != scan.count) return false;
      for (int i = 0; i < scan.given; ++i) {
        if (view[i] != scan.metres(i)) return false;
      }
      return true;
    };
    if (!pollUntil(taken, std::chrono::seconds(5))) {
      takenFault = "scan " + std::to_string(scan.id) + " was not taken whole";
      break;
    }
  }
  stop = true;
  laser.join();
  radar.join();
  capture.text();
  EXPECT_EQ(takenFault, "");
  EXPECT_EQ(radarFault, "");
  EXPECT_GT(looks.load(), 0);
  EXPECT_EQ(rc_->laserLastIndex, 0);
}

// Another program rewriting the file in place (truncate, then the text in small
// pieces) while the laser thread reads it: a read may catch any prefix of a
// scan or of binary garbage. The thread keeps going, takes no reading that was
// never written at its index (a number cut short at the end is a prefix of a
// real one), and reads the first whole scan after the rewrites stop.
TEST_F(LaserReader, AFileRewrittenInPlaceMidReadYieldsOnlyWhatWasWritten) {
  std::string wide = "-1 361";
  for (int i = 0; i < 361; ++i) wide += " 150";
  std::string narrow = "-1 40";
  for (int i = 0; i < 40; ++i) narrow += " 300";
  std::string garbage;
  for (int i = 0; i < 600; ++i) garbage += static_cast<char>(0x80 + (i * 37) % 128);
  const std::string* const texts[] = {&wide, &garbage, &narrow};
  // Every value a prefix of "150" or "300" gives, in metres, and an untouched
  // 0; the narrow scan's only within its 40 readings.
  const float wideValues[] = {0.0f, 0.01f, 0.15f, 1.5f};
  const float narrowValues[] = {0.03f, 0.3f, 3.0f};
  const auto written = [&](int i, float v) {
    return std::find(std::begin(wideValues), std::end(wideValues), v) != std::end(wideValues) ||
           (i < 40 && std::find(std::begin(narrowValues), std::end(narrowValues), v) !=
                          std::end(narrowValues));
  };

  std::atomic<bool> stop{false};
  std::atomic<bool> stopWriting{false};
  std::string writerFault;  // set by the writer only; read after the join
  ConsoleCapture capture;
  std::thread laser([&] { laserLoop(*rc_, &stop); });
  std::thread writer([&] {
    for (int round = 0; !stopWriting && writerFault.empty(); ++round) {
      const std::string& text = *texts[round % 3];
      const UniqueFd fd(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
      if (!fd.valid()) writerFault = std::string("open: ") + std::strerror(errno);
      for (std::size_t at = 0; at < text.size() && writerFault.empty(); at += 64) {
        const std::size_t n = std::min<std::size_t>(64, text.size() - at);
        if (::write(fd.get(), text.data() + at, n) != static_cast<ssize_t>(n)) {
          writerFault = std::string("write: ") + std::strerror(errno);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(300));
      }
    }
    stopWriting = true;
  });
  int looks = 0;
  std::string readerFault;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  while (!stopWriting && readerFault.empty() && std::chrono::steady_clock::now() < end) {
    const LaserScanView scan = laserScan(*rc_);
    for (int i = 0; i < scan.count && readerFault.empty(); ++i) {
      const float v = scan[i];
      if (!written(i, v)) readerFault = "reading " + std::to_string(i) + " = " + std::to_string(v);
    }
    ++looks;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  stopWriting = true;
  writer.join();
  writeScan("-1 3 100 200 300");
  const bool settled = pollUntil(
      [&] {
        return readings() == std::vector<float>{1, 2, 3};
      },
      std::chrono::seconds(5));
  stop = true;
  laser.join();
  capture.text();
  EXPECT_EQ(writerFault, "");
  EXPECT_EQ(readerFault, "");
  EXPECT_GT(looks, 100);
  EXPECT_TRUE(settled) << "the scan written after the rewrites is read";
  EXPECT_TRUE(rc_->laserValid);
}
