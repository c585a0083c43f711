// torva-map run as an operator runs it: the map it rebuilds from a recording
// is the picture the recorder wrote from the station's own grids, and a
// recording it cannot use costs one line on standard error and status 1.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "laser/map_grid.h"
#include "record/recorder.h"
#include "record/recording_files.h"
#include "record/recording_rows.h"
#include "state/robot_controller.h"
#include "tests/support/child_process.h"
#include "tests/support/console_capture.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_dir.h"

namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
const std::string kMapTool = TORVA_BINARY_DIR "/mapper/torva-map";

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and error together
};

ToolRun mapTool(const std::vector<std::string>& args, const std::string& dir) {
  ChildProcess tool;
  std::vector<std::string> command{kMapTool};
  command.insert(command.end(), args.begin(), args.end());
  ToolRun r;
  if (!tool.start(command, dir)) return r;
  r.status = tool.wait(60s);
  r.output = tool.output();
  return r;
}

// Records what the station's laser thread does in a walk through a corridor:
// each scan marked into the record from its pose, then handed to the
// recorder with that pose. Returns the recording's folder.
std::string recordAWalk(const TempDir& run, RobotController& rc) {
  Recorder recorder;
  if (!recorder.start(RecorderSettings{run.path().string()})) return {};
  LaserBuffer* buffer = rc.newLaserBuffer(361);
  for (int step = 0; step < 40; ++step) {
    for (int i = 0; i < 361; ++i) {
      // Walls 1.5 m either side, and a far wall ahead; a few readings beyond 50 m.
      const double angle = i * 3.14159265358979 / 360.0;
      const double side = std::abs(std::cos(angle)) > 1e-3 ? 1.5 / std::abs(std::cos(angle)) : 99;
      buffer->values[static_cast<std::size_t>(i)] =
          static_cast<float>(i % 50 == 7 ? 81.9 : std::min(side, 12.0 - step * 0.2));
    }
    rc.laserRanges.store(buffer);
    rc.laserLastIndex = 360;
    rc.laserValid = true;
    const MarkPose pose{kStartCell + 2 * step, kStartCell - step / 3, 0.02f * step};
    markScanInMap(rc, pose);
    recorder.laserScan(laserScan(rc), pose);
  }
  const std::string folder = recorder.folder();
  recorder.finish(&rc);
  return folder;
}
}  // namespace

TEST(TorvaMap, RebuildsTheMapTheStationWrote) {
  TempDir run;
  auto rc = std::make_unique<RobotController>();
  const std::string folder = recordAWalk(run, *rc);
  ASSERT_FALSE(folder.empty());
  const std::string stationMap = fileText(fs::path(folder) / recording::kMap);
  ASSERT_FALSE(stationMap.empty());

  const ToolRun r = mapTool({folder, "-o", run.file("rebuilt.png")}, run.path().string());
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output.rfind("torva-map: 40 barridos, 500 x 500 celdas", 0), 0u) << r.output;
  EXPECT_EQ(fileText(run.file("rebuilt.png")), stationMap) << "byte for byte";

  // Without -o: the folder's name, in the working folder. A larger grid
  // keeps the station's map at its centre: a PNG of the size asked for.
  const ToolRun named = mapTool({folder, "--size", "1200"}, run.path().string());
  EXPECT_EQ(named.status, 0) << named.output;
  const std::string big = fileText(run.path() / (fs::path(folder).filename().string() + ".png"));
  ASSERT_GT(big.size(), 24u);
  const auto be32 = [&](std::size_t at) {
    return (static_cast<unsigned char>(big[at]) << 24) |
           (static_cast<unsigned char>(big[at + 1]) << 16) |
           (static_cast<unsigned char>(big[at + 2]) << 8) | static_cast<unsigned char>(big[at + 3]);
  };
  EXPECT_EQ(be32(16), 1200u);  // IHDR width
  EXPECT_EQ(be32(20), 1200u);  // IHDR height
}

// Each bad recording: one line on standard error naming what is wrong, status
// 1, no picture.
TEST(TorvaMap, ABadRecordingGivesOneLineAndStatusOne) {
  const std::string laserHeader = std::string(recording::kLaserHeader) + "\n";
  const std::string poseHeader = std::string(recording::kLaserPoseHeader) + "\n";
  const std::string goodLaser = laserHeader + "0.100000\t2\t1.5\t2.5\n" + "0.200000\t2\t1.5\t2.5\n";
  const std::string goodPose = poseHeader + "0.100000,250,250,0,-1\n" + "0.200000,251,250,0,-1\n";
  struct Case {
    const char* name;
    const char* laser;  // nullptr: the file is missing; "=good": the good one
    const char* pose;
    const char* says;
  };
  const std::string bad2Readings = laserHeader + "0.100000\t3\t1.5\t2.5\n" + "0.200000\t2\t1\t2\n";
  const Case cases[] = {
      {"no laser file", nullptr, "=good", "falta laser.tsv en "},
      {"no pose file", "=good", nullptr, "falta laser_pose.csv en "},
      {"garbage", "\x89PNG\r\n\x1a\n garbage\n", "=good", "laser.tsv: linea 1: cabecera"},
      {"empty", "", "=good", "laser.tsv: vacio, falta la cabecera"},
      {"readings cut short", "=short", "=good",
       "laser.tsv: linea 2: se anuncian 3 lecturas y hay 2"},
      {"a reading that is not a number", "=nan", "=good",
       "laser.tsv: linea 4: lectura 1 no valida"},
      {"a count beyond any scan", "=huge", "=good", "laser.tsv: linea 2: numero de lecturas"},
      {"times going backwards", "=backwards", "=good",
       "laser.tsv: linea 3: el tiempo va hacia atras"},
      {"a pose row missing a column", "=good", "=shortpose",
       "laser_pose.csv: linea 3: se esperan 5 columnas"},
      {"a pose row of another scan", "=good", "=otherpose",
       "laser_pose.csv: linea 2: no corresponde a la fila de laser.tsv"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const auto content = [&](const char* layout, const std::string& good) -> std::string {
      const std::string s = layout;
      if (s == "=good") return good;
      if (s == "=short") return bad2Readings;
      if (s == "=nan") return goodLaser + "0.300000\t2\t1.5\tnan\n";
      if (s == "=huge") return laserHeader + "0.100000\t70000\t1\n";
      if (s == "=backwards") return laserHeader + "0.200000\t2\t1.5\t2.5\n0.100000\t2\t1.5\t2.5\n";
      if (s == "=shortpose") return poseHeader + "0.100000,250,250,0,-1\n0.200000,251,250\n";
      if (s == "=otherpose") return poseHeader + "0.150000,250,250,0,-1\n";
      return s;
    };
    if (c.laser != nullptr) dir.write(recording::kLaser, content(c.laser, goodLaser));
    if (c.pose != nullptr) dir.write(recording::kLaserPose, content(c.pose, goodPose));
    const ToolRun r =
        mapTool({dir.path().string(), "-o", dir.file("out.png")}, dir.path().string());
    EXPECT_EQ(r.status, 1) << c.name << ": " << r.output;
    EXPECT_EQ(r.output.rfind("torva-map: ", 0), 0u) << c.name << ": " << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.name << ": " << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << c.name << ": " << r.output;
    EXPECT_FALSE(fs::exists(dir.file("out.png"))) << c.name;
  }
}

TEST(TorvaMap, RefusesAFileNoRecordingCanHoldAndAFolderForAFile) {
  TempDir dir;
  {
    // 2 GB without writing them: a sparse file.
    std::ofstream(dir.file(recording::kLaser)) << "";
    ASSERT_EQ(::truncate(dir.file(recording::kLaser).c_str(), std::int64_t{2} << 30), 0);
  }
  dir.write(recording::kLaserPose, std::string(recording::kLaserPoseHeader) + "\n");
  ToolRun r = mapTool({dir.path().string(), "-o", dir.file("out.png")}, dir.path().string());
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("laser.tsv: 2147483648 bytes, mas de los"), std::string::npos)
      << r.output;
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;

  fs::remove(dir.file(recording::kLaser));
  fs::create_directory(dir.file(recording::kLaser));
  r = mapTool({dir.path().string(), "-o", dir.file("out.png")}, dir.path().string());
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("laser.tsv: no es un fichero"), std::string::npos) << r.output;
}

TEST(TorvaMap, FollowsTheCommandLineConventions) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* starts;
  } cases[] = {
      {{"--help"}, 0, "uso: torva-map "},
      {{"--version"}, 0, "torva-map 1.0.0\n"},
      {{"--bogus"}, 2, "torva-map: opcion desconocida: --bogus\nuso: torva-map "},
      {{}, 2, "torva-map: falta la carpeta del registro\n"},
      {{"a", "b"}, 2, "torva-map: sobra b"},
      {{"a", "--size", "499"}, 2, "torva-map: valor no valido para --size"},
      {{"a", "-o"}, 2, "torva-map: falta el valor de -o"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    const ToolRun r = mapTool(c.args, dir.path().string());
    EXPECT_EQ(r.status, c.status) << c.starts << r.output;
    EXPECT_EQ(r.output.rfind(c.starts, 0), 0u) << r.output;
  }
}
