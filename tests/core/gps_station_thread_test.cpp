// The station's GPS thread beside its other threads.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "core/station_globals.h"
#include "core/thread_entries.h"
#include "gps/gps_link.h"
#include "laser/laser_scan_reader.h"
#include "tests/support/console_capture.h"
#include "tests/support/poll_until.h"
#include "tests/support/pty_pair.h"

namespace {

using namespace std::chrono_literals;

void writeScan(const std::string& path, int count) {
  std::ofstream out(path);
  out << "-1 " << count;
  for (int i = 0; i < count; ++i) out << " 150";
  out << "\n";
}

TEST(GpsStationThread, NoReceiverGivesE012AndTheOtherThreadsRunOn) {
  char dir[] = "/tmp/torva-gps-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string scanFile = std::string(dir) + "/data_sick.dat";
  writeScan(scanFile, 5);

  auto rc = std::make_unique<RobotController>();
  rc->laserFileName = scanFile.c_str();
  stationRecord = rc.get();
  ASSERT_EQ(setenv("TORVA_COM2", (std::string(dir) + "/no-receiver").c_str(), 1), 0);

  ConsoleCapture console;
  std::atomic<bool> stopLaser{false};
  std::thread laser([&] { laserLoop(*rc, &stopLaser); });
  std::future<int> gps = std::async(std::launch::async, gpsThreadMain, "T5");
  ASSERT_EQ(gps.wait_for(5s), std::future_status::ready) << "the GPS thread ends at once";
  EXPECT_EQ(gps.get(), 0);

  // The laser thread keeps reading after the GPS thread has ended.
  ASSERT_TRUE(pollUntil([&] { return rc->laserValid && rc->laserLastIndex == 4; }, 20s));
  writeScan(scanFile, 9);
  EXPECT_TRUE(pollUntil([&] { return rc->laserLastIndex == 8; }, 20s));
  stopLaser = true;
  laser.join();
  console.stop();
  unsetenv("TORVA_COM2");
  stationRecord = nullptr;

  const std::string text = console.text();
  EXPECT_NE(text.find("E012_Failed to open port: (2) No such file or directory\n\nGPS port "),
            std::string::npos)
      << text;
  // The GPS values stay as the station started them.
  EXPECT_EQ(rc->gpsLatHemisphere, 'S');
  EXPECT_EQ(rc->gpsLonHemisphere, 'W');
  EXPECT_EQ(rc->gpsLatDegrees, 0);
  EXPECT_EQ(rc->gpsDisplacementX, 0.0f);
  std::remove(scanFile.c_str());
  rmdir(dir);
}

}  // namespace
