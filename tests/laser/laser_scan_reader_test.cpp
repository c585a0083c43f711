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
  // The same, ms after the test's own time zero.
  std::string readAt(int ms) {
    ConsoleCapture capture;
    readLaserScan(*rc_, start_ + std::chrono::milliseconds(ms));
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
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};
}  // namespace

TEST_F(LaserReader, ReadsCentimetresIntoMetresAndAnnouncesTheFirstScan) {
  writeScan("-1\n3\n100 250\t50\n");
  EXPECT_EQ(read(), kStartLines);
  EXPECT_TRUE(rc_->laserValid);
  EXPECT_EQ(rc_->laserLastIndex, 2);
  EXPECT_EQ(readings(), (std::vector<float>{1.0f, 2.5f, 0.5f}));
  // Later scans are quiet.
  writeScan("-1 3 200 300 400\n");
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

    writeScan("-1 2 100 200\n");
    read();
    writeScan(text);
    EXPECT_EQ(read(), "") << text;
    EXPECT_TRUE(rc_->laserValid) << text;
    EXPECT_EQ(readings(), (std::vector<float>{1.0f, 2.0f})) << text;
  }
}

TEST_F(LaserReader, CountIsTruncatedAndExtraReadingsAreLeftOut) {
  writeScan("-1 3.9 100 200 300 400 500");
  read();
  EXPECT_EQ(readings(), (std::vector<float>{1, 2, 3}));
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
  writeScan("-1 2 300 400\n");
  read();
  for (const Case& c : cases) {
    writeScan(c.text);
    EXPECT_EQ(read(), c.line) << c.text;
    EXPECT_EQ(read(), "") << c.text << ": once per count, not ten times a second";
    EXPECT_TRUE(rc_->laserValid) << c.text;
    EXPECT_EQ(readings(), (std::vector<float>{3, 4})) << c.text;
  }
  // The largest count is taken.
  std::string largest = "-1 65536";
  for (int i = 0; i < 65536; ++i) largest += i == 1 ? " 600" : " 500";
  writeScan(largest + "\n");
  EXPECT_EQ(read(), "");
  EXPECT_EQ(rc_->laserLastIndex, 65535);
  EXPECT_EQ(laserScan(*rc_)[0], 5.0f);
  EXPECT_EQ(laserScan(*rc_)[1], 6.0f);
}

TEST_F(LaserReader, ALargerCountGrowsTheBufferWithoutCuttingReadings) {
  writeScan("-1 2 100 200\n");
  read();
  writeScan("-1 4 300 400 500 600\n");
  EXPECT_EQ(read(), "");
  EXPECT_EQ(readings(), (std::vector<float>{3, 4, 5, 6}));
}

TEST_F(LaserReader, ADeletedFileInvalidatesOneCycleAndTheNextScanStartsAgain) {
  writeScan("-1 3 100 200 300\n");
  read();
  rc_->headingRad = 0;
  std::remove(path_.c_str());
  EXPECT_EQ(read(), "");
  EXPECT_FALSE(rc_->laserValid);
  // The radar still has the old scan, but nothing is marked.
  EXPECT_EQ(readings(), (std::vector<float>{1, 2, 3}));
  markScanInMap(*rc_);
  for (int i = 0; i < kGridCells; ++i) ASSERT_EQ(rc_->obstacleGrid[static_cast<std::size_t>(i)], 0);

  writeScan("-1 2 400 500\n");
  EXPECT_EQ(read(), kStartLines);
  EXPECT_EQ(readings(), (std::vector<float>{4, 5}));
}

// A scan is taken whole or not at all: a writer caught halfway (fewer
// readings than announced, a number cut short, a number glued to what
// follows) leaves the previous scan, and the file is counted once however
// often it is read; the count is told at once, then at most once a minute.
TEST_F(LaserReader, OnlyWholeScansAreTakenAndTheOthersAreCounted) {
  writeScan("-1 3 100 200 300\n");
  EXPECT_EQ(readAt(0), kStartLines);
  const char* const incomplete[] = {
      "-1 3 700\n",                    // fewer readings
      "-1 3 100 200 15",               // the last cut: "150" would read as 15 cm
      "-1 3 100 200 3000x",            // glued to garbage
      "-1 3 100 x 300 400 500 600\n",  // a word among the readings
      "-1 3 100 1e300 3000 4000\n",    // a reading no float holds
  };
  int ms = 0;
  for (const char* text : incomplete) {
    replaceScan(text);
    const std::string said = readAt(ms += 100);
    EXPECT_EQ(said, text == incomplete[0]
                        ? "laser: barridos incompletos descartados: 1 (queda el anterior)\n"
                        : "")
        << text;
    EXPECT_EQ(readAt(ms += 100), "") << text << ": one file, counted once";
    EXPECT_TRUE(rc_->laserValid) << text;
    EXPECT_EQ(rc_->laserLastIndex, 2) << text;
    EXPECT_EQ(readings(), (std::vector<float>{1, 2, 3})) << text;
  }
  // A minute on: the rest are told, and no new scan has come for as long.
  EXPECT_EQ(readAt(60100),
            "laser: sin barridos nuevos desde hace 60 s\n"
            "laser: barridos incompletos descartados: 4 (queda el anterior)\n");
  EXPECT_EQ(readAt(200000), "");
  // A whole scan is taken again, whatever white space ends it.
  replaceScan("-1 3 400 500 600\t");
  EXPECT_EQ(readAt(200100), "laser: vuelven los barridos nuevos tras 200 s\n");
  EXPECT_EQ(readings(), (std::vector<float>{4, 5, 6}));
  auto fresh = std::make_unique<RobotController>();
  fresh->laserFileName = path_.c_str();
  replaceScan("-1 3 400 500");
  EXPECT_EQ(takeLaserScanText(*fresh, "-1 3 400 500"), LaserTake::Incomplete);
  EXPECT_FALSE(fresh->laserValid) << "no scan yet: nothing taken, nothing announced";
  EXPECT_EQ(takeLaserScanText(*fresh, "-1 3 400 500 6 "), LaserTake::Taken);
}

// A file that stops bringing new scans, because its writer died or hangs or
// the file went, is told once after 2 s, and once more when scans come back.
// A writer that keeps replacing the file with the same scan (a robot standing
// still) brings new scans.
TEST_F(LaserReader, ScansThatStopComingAreToldOnceAndTheirReturnToo) {
  EXPECT_EQ(readAt(0), "");
  EXPECT_EQ(readAt(10000), "") << "no scan ever: nothing awaited";
  writeScan("-1 2 100 200\n");
  EXPECT_EQ(readAt(10000), kStartLines);
  EXPECT_EQ(readAt(11000), "");
  replaceScan("-1 2 100 200\n");
  EXPECT_EQ(readAt(11500), "");
  EXPECT_EQ(readAt(13400), "");
  EXPECT_EQ(readAt(13500), "laser: sin barridos nuevos desde hace 2 s\n");
  EXPECT_EQ(readAt(16000), "");
  // Only whole scans are new scans.
  replaceScan("-1 2 100");
  EXPECT_EQ(readAt(17000), "laser: barridos incompletos descartados: 1 (queda el anterior)\n");
  replaceScan("-1 2 300 400\n");
  EXPECT_EQ(readAt(17500), "laser: vuelven los barridos nuevos tras 6 s\n");
  EXPECT_EQ(readings(), (std::vector<float>{3, 4}));
  // The file gone: the same line, and the scan that comes back starts anew.
  std::remove(path_.c_str());
  EXPECT_EQ(readAt(19400), "");
  EXPECT_EQ(readAt(19500), "laser: sin barridos nuevos desde hace 2 s\n");
  EXPECT_FALSE(rc_->laserValid);
  writeScan("-1 2 500 600\n");
  EXPECT_EQ(readAt(23000),
            std::string(kStartLines) + "laser: vuelven los barridos nuevos tras 5 s\n");
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
    return t + "\n";
  }
};

// The radar reads the buffer while the laser thread overwrites it in place,
// so one look may catch a scan half replaced by the next; but every reading
// it sees is one that a whole scan file put at that very index (or the 0 of
// a cleared buffer), never a number from elsewhere nor from a scan that was
// not whole, and once the laser thread has taken a file the whole scan is
// there.
TEST_F(LaserReader, AReaderThreadBesideTheLaserThreadSeesWholeBuffers) {
  // Growing, shrinking, vanishing (count 0 here) and returning scans; one
  // that announces more readings than it holds, never taken.
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
    return scan.given == scan.count && i < scan.given && v == scan.metres(i);
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
    if (scan.given < scan.count) {
      // Never taken: a few passes of the laser thread find it, and leave it.
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      continue;
    }
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
// scan or of binary garbage. The thread keeps going, takes only whole scans
// (never the prefix of a number cut short at the end, "1" or "15" of "150"),
// and reads the first whole scan after the rewrites stop.
TEST_F(LaserReader, AFileRewrittenInPlaceMidReadYieldsOnlyWhatWasWritten) {
  std::string wide = "-1 361";
  for (int i = 0; i < 361; ++i) wide += " 150";
  wide += "\n";
  std::string narrow = "-1 40";
  for (int i = 0; i < 40; ++i) narrow += " 300";
  narrow += "\n";
  std::string garbage;
  for (int i = 0; i < 600; ++i) garbage += static_cast<char>(0x80 + (i * 37) % 128);
  const std::string* const texts[] = {&wide, &garbage, &narrow};
  // The whole scans' values, in metres, and an untouched 0; the narrow scan's
  // only within its 40 readings.
  const float wideValues[] = {0.0f, 1.5f};
  const float narrowValues[] = {3.0f};
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
  writeScan("-1 3 100 200 300\n");
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
