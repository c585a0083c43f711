// torva-export on an hour of the demo's recording: what the station records
// while the simulator's robot drives round its room for an hour (ten scans of
// 361 readings and ten status packets a second, the GPS receiver's sentences
// once a second in the serial line's reads, a key now and then), made once
// with the recorder's own row writers. The export is timed whole: reading the
// files, making the messages and the map, writing the MCAP file.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "exporter/run_export.h"
#include "exporter/run_recording.h"
#include "record/recording_files.h"
#include "record/recording_rows.h"
#include "sim/default_world.h"
#include "sim/gps_emitter.h"
#include "sim/laser_scan_writer.h"
#include "sim/world_map.h"
#include "tests/support/temp_dir.h"

namespace {
namespace fs = std::filesystem;

constexpr int kSeconds = 3600;

struct Hour {
  TempDir scratch;
  fs::path folder;
  std::uintmax_t bytes = 0;

  Hour() {
    folder = scratch.path() / "20240501-120000";
    fs::create_directories(folder);
    record();
    for (const auto& e : fs::directory_iterator(folder)) bytes += e.file_size();
  }
  void record() {
    using namespace recording;
    const WorldMap world = *parseWorldMap(defaultWorldMapText()).map;
    std::mt19937 noise(7);
    LaserSettings laserSettings;
    laserSettings.noiseCm = 1.5;
    std::string robot = std::string(kRobotHeader) + "\n", laser = std::string(kLaserHeader) + "\n",
                poses = std::string(kLaserPoseHeader) + "\n",
                times = std::string(kGpsTimesHeader) + "\n",
                commands = std::string(kCommandsHeader) + "\n", nmea;
    const auto poseAt = [](double t) {
      // A loop round the room's boxes, some 70 s a turn.
      const double a = 2 * 3.14159265358979 * t / 70;
      SimPose p;
      p.x = 2250 + 3800 * std::cos(a);
      p.y = -750 + 2800 * std::sin(a);
      p.th = std::fmod(a * 180 / 3.14159265358979 + 90, 360);
      return p;
    };
    const SimPose start = poseAt(0);
    SimPose previousFix = start;
    for (int tenth = 0; tenth < kSeconds * 10; ++tenth) {
      const double t = 0.1 * tenth;
      const SimPose p = poseAt(t);
      RobotRecord r;
      r.seconds = t + 0.013;
      r.xMm = std::round(p.x);
      r.yMm = std::round(p.y);
      r.headingDeg = std::round(p.th);
      r.leftMmPerS = 290;
      r.rightMmPerS = 340;
      r.velMmPerS = 315;
      r.battery = 12.9 - t / 3600;
      r.odoDx = static_cast<float>((r.xMm - std::round(start.x)) / 1000);
      r.odoDy = static_cast<float>((r.yMm - std::round(start.y)) / 1000);
      appendRobotRow(robot, r);

      std::vector<float> ranges;
      for (int cm : castScan(world.walls, p.x, p.y, p.th, laserSettings, &noise)) {
        ranges.push_back(static_cast<float>(cm) / 100.0f);
      }
      appendLaserRow(laser, t + 0.061, ranges.data(), static_cast<int>(ranges.size()));
      appendLaserPoseRow(poses, t + 0.061, 250 + static_cast<int>(r.odoDx / 0.1f),
                         250 + static_cast<int>(-r.odoDy / 0.1f),
                         static_cast<float>(r.headingDeg * 3.1415927 / 180), tenth);

      if (tenth % 10 == 0) {
        // The receiver's sentences, read from the serial line ten bytes at a time.
        std::string burst;
        for (const std::string& s :
             fixSentences(fixForPose(GeoOrigin{}, p, &previousFix, 1.0, 1714564800.0 + t))) {
          burst += s;
        }
        previousFix = p;
        for (std::size_t at = 0; at < burst.size(); at += 10) {
          appendGpsTimesRow(times, t + 0.2 + at * 1e-4,
                            std::min<std::size_t>(10, burst.size() - at));
        }
        nmea += burst;
      }
      if (tenth % 600 == 0) appendCommandRow(commands, t + 0.5, kOriginKey, 38, true, 1);
    }
    for (const auto& [name, text] :
         {std::pair{kRobot, &robot}, std::pair{kLaser, &laser}, std::pair{kLaserPose, &poses},
          std::pair{kGpsTimes, &times}, std::pair{kGpsBytes, &nmea},
          std::pair{kCommands, &commands}}) {
      std::ofstream(folder / name, std::ios::binary) << *text;
    }
    std::ofstream(folder / kStart) << "1714564800.000000\n";
  }
};
}  // namespace

static void BM_ExportAnHourOfTheDemo(benchmark::State& state) {
  static const Hour hour;
  const std::string out = (hour.scratch.path() / "registro.mcap").string();
  std::uintmax_t written = 0;
  for (auto _ : state) {
    RunRecording run;
    ExportSummary summary;
    std::string error;
    if (!loadRunRecording(hour.folder.string(), run, error) ||
        !exportRun(run, out, summary, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    written = fs::file_size(out);
  }
  state.counters["recording_MiB"] = static_cast<double>(hour.bytes) / (1 << 20);
  state.counters["mcap_MiB"] = static_cast<double>(written) / (1 << 20);
}
BENCHMARK(BM_ExportAnHourOfTheDemo)->Unit(benchmark::kSecond)->Iterations(3);
