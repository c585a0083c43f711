// The recorder as the station's threads use it: rows from several threads at
// once land in their files in time order, read back as written, and the map
// picture shows the record's grids; a folder it cannot make, a disk nearly
// full and a full queue each cost one console line and nothing else.
#include "record/recorder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "record/map_picture.h"
#include "record/record_text.h"
#include "record/recording_files.h"
#include "record/recording_rows.h"
#include "state/robot_controller.h"
#include "tests/support/console_capture.h"
#include "tests/support/file_text.h"
#include "tests/support/poll_until.h"
#include "tests/support/temp_dir.h"

namespace {
namespace fs = std::filesystem;

// The only recording folder under run/registros.
fs::path onlyRecording(const TempDir& run) {
  std::vector<fs::path> found;
  for (const auto& e : fs::directory_iterator(run.path() / recording::kFolder)) {
    found.push_back(e.path());
  }
  return found.size() == 1 ? found[0] : fs::path();
}

// The first field of every row after the header, as seconds.
std::vector<double> rowTimes(const std::string& text, char separator) {
  std::vector<double> times;
  std::istringstream lines(text);
  std::string line;
  std::getline(lines, line);  // header
  while (std::getline(lines, line)) {
    double t = -1;
    EXPECT_TRUE(parseDoubleField(line.substr(0, line.find(separator)), t)) << line;
    times.push_back(t);
  }
  return times;
}

// A scan with count readings, each different, in a record of its own.
LaserScanView scanOf(RobotController& rc, int count, float base) {
  LaserBuffer* buffer = rc.newLaserBuffer(count);
  for (int i = 0; i < count; ++i) buffer->values[static_cast<std::size_t>(i)] = base + 0.001f * i;
  return LaserScanView{buffer, count};
}
}  // namespace

TEST(Recorder, RowsFromEveryThreadLandInTheirFilesInTimeOrder) {
  TempDir run;
  RobotController scans;
  Recorder recorder;
  // Room for the whole burst: here rows come all at once, not 25 a second.
  RecorderSettings settings{run.path().string()};
  settings.queueRows = 4096;
  const auto wallNow = [] {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
  };
  const double before = wallNow();
  ASSERT_TRUE(recorder.start(settings));
  const double after = wallNow();
  const fs::path folder = onlyRecording(run);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.string(), recorder.folder());

  constexpr int kRows = 300;
  std::vector<LaserScanView> views;
  for (int k = 0; k < kRows; ++k) views.push_back(scanOf(scans, 361, 0.5f + k));
  std::string gpsSent;
  for (int k = 0; k < kRows; ++k) gpsSent += "$GPGGA," + std::to_string(k) + "*00\r\n";
  {
    std::thread laser([&] {
      for (int k = 0; k < kRows; ++k)
        recorder.laserScan(views[k], MapPose{250 + k % 7, 250, 0.25f, 0});
    });
    std::thread robot([&] {
      for (int k = 0; k < kRows; ++k) {
        RobotRecord row;
        row.xMm = k;
        row.battery = 12.5;
        ReceivedPacket packet;
        packet.type = 0x32;
        recorder.robotStatus(row, static_cast<std::uint64_t>(k) + 1, packet);
        recorder.command(recording::kOriginRobot, 32, true, k);
      }
    });
    std::thread gps([&] {
      for (std::size_t at = 0; at < gpsSent.size(); at += 11) {
        const std::string piece = gpsSent.substr(at, 11);
        recorder.gpsBytes(piece.data(), static_cast<int>(piece.size()));
      }
    });
    laser.join();
    robot.join();
    gps.join();
  }
  auto rc = std::make_unique<RobotController>();  // start cell on the track
  rc->obstacleGrid[static_cast<std::size_t>(gridIndex(260, 240))] = 1;
  ConsoleCapture console;
  recorder.finish(rc.get());
  console.stop();
  EXPECT_EQ(console.text(), "") << "nothing dropped, nothing failed";
  EXPECT_FALSE(recorder.recording());

  // Headers, and rows in time order in every text file.
  const struct {
    const char* file;
    const char* header;
    char separator;
    std::size_t rows;
  } files[] = {
      {recording::kLaser, recording::kLaserHeader, '\t', kRows},
      {recording::kLaserPose, recording::kLaserPoseHeader, ',', kRows},
      {recording::kRobot, recording::kRobotHeader, ',', kRows},
      {recording::kCommands, recording::kCommandsHeader, ',', kRows},
  };
  for (const auto& f : files) {
    const std::string text = fileText(folder / f.file);
    EXPECT_EQ(text.substr(0, text.find('\n')), f.header) << f.file;
    const std::vector<double> times = rowTimes(text, f.separator);
    EXPECT_EQ(times.size(), f.rows) << f.file;
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end())) << f.file;
  }
  EXPECT_EQ(fileText(folder / recording::kGpsBytes), gpsSent) << "the GPS bytes as received";

  // The wall-clock time the run's clock counts from: one line, taken in start().
  const std::string start = fileText(folder / recording::kStart);
  double wall = 0;
  ASSERT_TRUE(!start.empty() && start.back() == '\n' &&
              parseDoubleField(std::string_view(start).substr(0, start.size() - 1), wall))
      << start;
  EXPECT_GE(wall, before - 1e-6);
  EXPECT_LE(wall, after + 1e-6);

  // The scans read back exactly as the station took them, with their poses.
  std::vector<LaserRecord> back;
  std::string error;
  ASSERT_TRUE(parseLaserRecords(fileText(folder / recording::kLaser),
                                fileText(folder / recording::kLaserPose), back, error))
      << error;
  ASSERT_EQ(back.size(), static_cast<std::size_t>(kRows));
  for (int k = 0; k < kRows; ++k) {
    ASSERT_EQ(back[k].ranges.size(), 361u);
    for (int i = 0; i < 361; ++i) ASSERT_EQ(back[k].ranges[i], views[k][i]) << k << "," << i;
    EXPECT_EQ(back[k].mapRow, 250 + k % 7);
    EXPECT_EQ(back[k].headingRad, 0.25f);
  }

  // The map: the hit orange, the start cell and the scans' cells green.
  std::vector<std::uint8_t> obstacles(kGridCells, 0), track(kGridCells, 0);
  obstacles[static_cast<std::size_t>(gridIndex(260, 240))] = 1;
  track[static_cast<std::size_t>(gridIndex(kStartCell, kStartCell))] = 1;
  for (int r = 250; r < 257; ++r) track[static_cast<std::size_t>(gridIndex(r, 250))] = 1;
  EXPECT_EQ(fileText(folder / recording::kMap), encodePng(mapPicture(kGridSize, obstacles, track)));
}

// Each scan names the status packet its pose came from by the packet's
// sequence number: laser_pose.csv holds that packet's robot.csv row, and
// robot.bin the packet itself.
TEST(Recorder, EachScanNamesTheRobotRowOfThePacketItWasMarkedFrom) {
  TempDir run;
  Recorder recorder;
  ASSERT_TRUE(recorder.start(RecorderSettings{run.path().string()}));
  RobotController scans;
  const LaserScanView scan = scanOf(scans, 3, 1.0f);
  const auto status = [&](std::uint64_t sequence, std::uint8_t x) {
    ReceivedPacket packet;
    packet.type = 0x32;
    packet.dataSize = 1;
    packet.dataBytes[0] = x;
    recorder.robotStatus(RobotRecord{}, sequence, packet);
  };
  status(41, 7);
  status(42, 8);
  recorder.laserScan(scan, MapPose{250, 251, 0.5f, 42});  // robot.csv row 1
  status(43, 9);
  recorder.laserScan(scan, MapPose{250, 251, 0.5f, 42});  // the same pose again
  recorder.laserScan(scan, MapPose{250, 250, 0, 0});      // before any packet
  recorder.laserScan(scan, MapPose{250, 250, 0, 7});      // a packet never recorded
  recorder.laserScan(scan, MapPose{250, 252, 0.5f, 41});
  recorder.finish(nullptr);

  const fs::path folder = onlyRecording(run);
  std::vector<LaserRecord> back;
  std::string error;
  ASSERT_TRUE(parseLaserRecords(fileText(folder / recording::kLaser),
                                fileText(folder / recording::kLaserPose), back, error))
      << error;
  std::vector<long> packets;
  for (const LaserRecord& r : back) packets.push_back(r.packet);
  EXPECT_EQ(packets, (std::vector<long>{1, 1, -1, -1, 0}));
  std::vector<std::vector<std::uint8_t>> recorded;
  ASSERT_TRUE(parseStatusPackets(fileText(folder / recording::kRobotPackets), recorded, error))
      << error;
  ASSERT_EQ(recorded.size(), 3u);
  EXPECT_EQ(recorded[1][4], 8) << "row 1 is the packet numbered 42";
}

TEST(Recorder, AFolderItCannotMakeOrAFullDiskLeavesTheStationUnrecorded) {
  TempDir run, other;
  run.write(recording::kFolder, "a file where the folder goes");
  struct Case {
    const char* name;
    RecorderSettings settings;
    const char* line;
  };
  const Case cases[] = {
      {"no folder", RecorderSettings{run.path().string()},
       "registro: no se puede crear la carpeta del registro"},
      {"no run folder", RecorderSettings{run.file("missing/deeper")},
       "registro: no se puede crear la carpeta del registro"},
      {"disk nearly full", RecorderSettings{other.path().string(), std::int64_t{1} << 60},
       "registro: quedan menos de "},
  };
  for (const Case& c : cases) {
    ConsoleCapture console;
    Recorder recorder;
    EXPECT_FALSE(recorder.start(c.settings)) << c.name;
    EXPECT_FALSE(recorder.recording()) << c.name;
    recorder.command(recording::kOriginKey, 38, true, 1);  // taken and ignored
    recorder.finish(nullptr);
    console.stop();
    const std::string said = console.text();
    EXPECT_EQ(said.rfind(c.line, 0), 0u) << c.name << ": " << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << c.name << ": " << said;
  }
}

TEST(Recorder, RowsThatFindTheQueueFullAreDroppedAndCountedOnce) {
  TempDir run;
  RecorderSettings settings{run.path().string()};
  settings.queueRows = 4;
  Recorder recorder;
  ASSERT_TRUE(recorder.start(settings));
  // Far faster than the writer's pass every 50 ms: most find the ring full.
  constexpr int kRows = 2000;
  for (int k = 0; k < kRows; ++k) recorder.command(recording::kOriginRobot, 32, true, k);
  ConsoleCapture console;
  recorder.finish(nullptr);
  console.stop();
  const long dropped = recorder.droppedRows();
  EXPECT_GT(dropped, 0);
  const std::vector<double> written =
      rowTimes(fileText(onlyRecording(run) / recording::kCommands), ',');
  EXPECT_EQ(static_cast<long>(written.size()) + dropped, kRows);
  EXPECT_EQ(console.text(), "registro: " + std::to_string(dropped) +
                                " filas no se grabaron (la cola estaba llena)\n");
}

// A file that cannot grow (a full disk; here the process's file size limit,
// which an ordinary user can lower): one line, the recording stops, the
// threads that hand it rows go on as before.
TEST(Recorder, AWriteThatFailsStopsTheRecordingWithOneLine) {
  TempDir run;
  Recorder recorder;
  ASSERT_TRUE(recorder.start(RecorderSettings{run.path().string()}));
  rlimit before{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = 16 * 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

  ConsoleCapture console;
  RobotController scans;
  const LaserScanView scan = scanOf(scans, 361, 1.0f);
  for (int k = 0; k < 200 && recorder.recording(); ++k) {
    recorder.laserScan(scan, MapPose{});
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_TRUE(pollUntil([&] { return !recorder.recording(); }, std::chrono::seconds(5)));
  recorder.laserScan(scan, MapPose{});  // taken and ignored
  recorder.finish(nullptr);
  console.stop();
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previousHandler);

  const std::string said = console.text();
  EXPECT_EQ(said.rfind("registro: no se puede escribir ", 0), 0u) << said;
  EXPECT_NE(said.find("; la grabacion se detiene\n"), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

// Rows reach the file while the run goes on, not only when it ends: a crash
// loses at most the last second.
TEST(Recorder, RowsReachTheFileWithinASecond) {
  TempDir run;
  Recorder recorder;
  ASSERT_TRUE(recorder.start(RecorderSettings{run.path().string()}));
  recorder.command(recording::kOriginKey, 38, true, 1);
  const fs::path commands = onlyRecording(run) / recording::kCommands;
  EXPECT_TRUE(pollUntil([&] { return rowTimes(fileText(commands), ',').size() == 1; },
                        std::chrono::milliseconds(1500)))
      << fileText(commands);
  recorder.finish(nullptr);
}
