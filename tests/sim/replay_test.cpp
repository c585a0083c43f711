// Playing a recording back: the clock that holds before the robot's first
// packet until the station connects, the scan text that the station's reader
// takes back as the very values recorded, and torva-sim refusing recordings
// and options it cannot use.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "laser/laser_scan_reader.h"
#include "record/recording_files.h"
#include "sim/replay_clock.h"
#include "sim/replay_player.h"
#include "state/robot_controller.h"
#include "tests/support/child_process.h"
#include "tests/support/console_capture.h"
#include "tests/support/temp_dir.h"

using namespace std::chrono_literals;

TEST(ReplayClock, HoldsBeforeTheFirstPacketUntilTheSessionOpens) {
  using Clock = ReplayClock::Clock;
  const Clock::time_point t0{};
  const auto at = [&](double s) {
    return t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
  };
  struct Case {
    const char* name;
    double speed, holdAt;
    double openedAt;  // wall seconds; < 0: never
    double wall;
    double expected;
  };
  const Case cases[] = {
      {"runs at its pace", 1, 5, -1, 2, 2},
      {"twice as fast", 2, 5, -1, 2, 4},
      {"waits at the hold", 1, 5, -1, 60, 5},
      {"runs on from the hold once connected", 1, 5, 30, 32, 7},
      {"a session before the hold moves it on", 1, 5, 1, 1.5, 5.5},
      {"twice as fast after the hold", 2, 5, 30, 31, 7},
      {"no packets: never holds", 1, -1, -1, 60, 60},
  };
  for (const Case& c : cases) {
    ReplayClock clock(c.speed, c.holdAt, t0);
    if (c.openedAt >= 0) clock.sessionOpened(at(c.openedAt));
    EXPECT_NEAR(clock.seconds(at(c.wall)), c.expected, 1e-9) << c.name;
  }
  // Opening again changes nothing.
  ReplayClock clock(1, 5, t0);
  clock.sessionOpened(at(10));
  clock.sessionOpened(at(20));
  EXPECT_NEAR(clock.seconds(at(21)), 16, 1e-9);
}

TEST(ReplayScanText, TheStationReadsBackTheRecordedValues) {
  // What recordings hold: the station's float(centimetres) / 100, from whole
  // centimetres as the simulator and scanners write them and from values that
  // are not (a scanner with millimetres, a long decimal).
  std::vector<float> ranges;
  for (double cm : {0.0, 1.0, 150.0, 8191.0, 234.5, 7.0, 1234.56789, 500000.0, 1e-5, -25.0, 3e8,
                    33.3333, 0.1, 99999.99}) {
    ranges.push_back(static_cast<float>(cm) / 100.0f);
  }
  auto rc = std::make_unique<RobotController>();
  ConsoleCapture quiet;  // the reader's start lines
  takeLaserScanText(*rc, replayScanText(ranges));
  quiet.stop();
  ASSERT_TRUE(rc->laserValid);
  const LaserScanView scan = laserScan(*rc);
  ASSERT_EQ(scan.count, static_cast<int>(ranges.size()));
  for (int i = 0; i < scan.count; ++i) EXPECT_EQ(scan[i], ranges[i]) << i;
}

namespace {
struct SimRun {
  int status = -1;
  std::string output;
};

SimRun runSim(const std::vector<std::string>& args) {
  ChildProcess sim;
  std::vector<std::string> command{TORVA_BINARY_DIR "/sim/torva-sim", "--port", "0"};
  command.insert(command.end(), args.begin(), args.end());
  SimRun r;
  if (!sim.start(command)) return r;
  r.status = sim.wait(30s);
  r.output = sim.output();
  return r;
}

// A recording with every file a replay reads, each with its header alone.
void writeEmptyRecording(const TempDir& dir) {
  using namespace recording;
  for (const auto& [name, header] : {std::pair{kRobot, kRobotHeader},
                                     {kLaser, kLaserHeader},
                                     {kLaserPose, kLaserPoseHeader},
                                     {kGpsTimes, kGpsTimesHeader}}) {
    dir.write(name, std::string(header) + "\n");
  }
  dir.write(kRobotPackets, "");
  dir.write(kGpsBytes, "");
}
}  // namespace

TEST(TorvaSimReplay, RefusesARecordingItCannotPlayWithOneLine) {
  struct Case {
    const char* name;
    const char* file;  // written over the empty recording's; nullptr: none
    std::string text;
    bool remove;
    const char* says;
  };
  const std::string robotHeader = std::string(recording::kRobotHeader) + "\n";
  const Case cases[] = {
      {"no robot rows", recording::kRobot, "", true, "falta robot.csv en "},
      {"no packets", recording::kRobotPackets, "", true, "falta robot.bin en "},
      {"garbage", recording::kRobot,
       "\x7f"
       "ELF\x02\x01\x01 garbage\n",
       false, "robot.csv: linea 1: cabecera inesperada"},
      {"a row cut short", recording::kRobot,
       robotHeader + "0.1,0,0\n0.2,0,0,0,0,0,0,0,12,0,0,0,0\n", false,
       "robot.csv: linea 2: se esperan 13 columnas"},
      {"times going backwards", recording::kRobot,
       robotHeader + "0.2,0,0,0,0,0,0,0,12,0,0,0,0\n0.1,0,0,0,0,0,0,0,12,0,0,0,0\n", false,
       "robot.csv: linea 3: el tiempo va hacia atras"},
      {"a packet that is not one", recording::kRobotPackets, "hello, robot", false,
       "robot.bin: paquete 1: no es un paquete"},
      {"a GPS read beyond its bytes' count", recording::kGpsTimes,
       std::string(recording::kGpsTimesHeader) + "\n0.5,x\n", false,
       "gps_tiempos.csv: linea 2: numero de bytes no valido"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    writeEmptyRecording(dir);
    if (c.remove) {
      std::filesystem::remove(dir.file(c.file));
    } else {
      dir.write(c.file, c.text);
    }
    const SimRun r = runSim({"--replay", dir.path().string()});
    EXPECT_EQ(r.status, 1) << c.name << ": " << r.output;
    EXPECT_EQ(r.output.rfind("torva-sim: registro no valido: ", 0), 0u)
        << c.name << ": " << r.output;
    EXPECT_THAT(r.output, testing::HasSubstr(c.says)) << c.name;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << c.name << ": " << r.output;
  }

  // A file no recording holds: 2 GB, sparse.
  TempDir dir;
  writeEmptyRecording(dir);
  ASSERT_EQ(::truncate(dir.file(recording::kLaser).c_str(), std::int64_t{2} << 30), 0);
  const SimRun big = runSim({"--replay", dir.path().string()});
  EXPECT_EQ(big.status, 1) << big.output;
  EXPECT_THAT(big.output, testing::HasSubstr("laser.tsv: 2147483648 bytes, mas de los"));
  const SimRun missing = runSim({"--replay", dir.file("no-such-recording")});
  EXPECT_EQ(missing.status, 1) << missing.output;
  EXPECT_THAT(missing.output, testing::HasSubstr("falta robot.csv en "));
}

TEST(TorvaSimReplay, RefusesOptionsThatDoNotGoWithAReplay) {
  TempDir dir;
  writeEmptyRecording(dir);
  const std::string recordingDir = dir.path().string();
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"--speed", "2"}, "--speed solo sirve con --replay"},
      {{"--replay", recordingDir, "--speed", "0"}, "valor no valido para --speed"},
      {{"--replay", recordingDir, "--speed", "fast"}, "valor no valido para --speed"},
      {{"--replay", recordingDir, "--map", TORVA_TEST_DATA "/sim/wall_across_route.map"},
       "--map no sirve con --replay"},
      {{"--replay"}, "falta el valor de --replay"},
  };
  for (const auto& c : cases) {
    const SimRun r = runSim(c.args);
    EXPECT_EQ(r.status, 2) << c.says << ": " << r.output;
    EXPECT_EQ(r.output.rfind(std::string("torva-sim: ") + c.says, 0), 0u) << r.output;
  }
}
