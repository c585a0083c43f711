// What a recorded row costs. The station's threads only hand a row to the
// queue (BM_Hand*): that is the cost the robot, laser and GPS threads pay.
// The recorder's writer thread then formats it (BM_Format*) and writes it out
// in 64 KiB pieces.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "record/recorder.h"
#include "record/recording_rows.h"
#include "state/robot_controller.h"
#include "tests/support/temp_dir.h"

namespace {
// A recorder writing into a scratch folder for the benchmark's life.
constexpr std::size_t kQueueRows = 16384;
struct ScratchRecorder {
  TempDir dir;  // outlives the recorder
  Recorder recorder;
  ScratchRecorder() {
    RecorderSettings settings{dir.path().string()};
    settings.minFreeBytes = 0;
    settings.queueRows = kQueueRows;
    recorder.start(settings);
  }
  ~ScratchRecorder() { recorder.finish(nullptr); }
};

// Rows come far faster here than in the station: every quarter queue the
// clock stops while the writer empties it, so that what is timed is a row
// handed to a queue with room, never the drop of a full one ("dropped" stays
// 0). A fixed number of rows keeps the pauses few.
constexpr int kRows = 100000;
void letTheWriterCatchUp(benchmark::State& state, std::size_t& handed) {
  if (++handed % (kQueueRows / 4) != 0) return;
  state.PauseTiming();
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  state.ResumeTiming();
}

LaserScanView fullScan(RobotController& rc) {
  LaserBuffer* buffer = rc.newLaserBuffer(361);
  for (int i = 0; i < 361; ++i) buffer->values[static_cast<std::size_t>(i)] = 1.5f + 0.01f * i;
  return LaserScanView{buffer, 361};
}
}  // namespace

static void BM_HandLaserRow(benchmark::State& state) {
  ScratchRecorder scratch;
  RobotController rc;
  const LaserScanView scan = fullScan(rc);
  std::size_t handed = 0;
  for (auto _ : state) {
    scratch.recorder.laserScan(scan, MapPose{250, 250, 0.5f, 1});
    letTheWriterCatchUp(state, handed);
  }
  state.counters["dropped"] = static_cast<double>(scratch.recorder.droppedRows());
}
BENCHMARK(BM_HandLaserRow)->Iterations(kRows);

static void BM_HandRobotRow(benchmark::State& state) {
  ScratchRecorder scratch;
  RobotRecord row;
  row.xMm = 1234.5;
  row.battery = 12.5;
  ReceivedPacket packet;
  packet.type = 0x32;
  packet.dataSize = 44;
  std::size_t handed = 0;
  std::uint64_t sequence = 0;
  for (auto _ : state) {
    scratch.recorder.robotStatus(row, ++sequence, packet);
    letTheWriterCatchUp(state, handed);
  }
  state.counters["dropped"] = static_cast<double>(scratch.recorder.droppedRows());
}
BENCHMARK(BM_HandRobotRow)->Iterations(kRows);

static void BM_HandCommandRow(benchmark::State& state) {
  ScratchRecorder scratch;
  std::size_t handed = 0;
  for (auto _ : state) {
    scratch.recorder.command("robot", 32, true, 3855);
    letTheWriterCatchUp(state, handed);
  }
  state.counters["dropped"] = static_cast<double>(scratch.recorder.droppedRows());
}
BENCHMARK(BM_HandCommandRow)->Iterations(kRows);

static void BM_FormatLaserRow(benchmark::State& state) {
  float ranges[361];
  for (int i = 0; i < 361; ++i) ranges[i] = static_cast<float>(150 + i) / 100.0f;
  std::string out;
  for (auto _ : state) {
    out.clear();
    appendLaserRow(out, 12.345678, ranges, 361);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_FormatLaserRow);

static void BM_FormatRobotRow(benchmark::State& state) {
  RobotRecord row;
  row.seconds = 12.345678;
  row.xMm = 1234.5;
  row.yMm = -56.25;
  row.headingDeg = 359.5;
  row.leftMmPerS = row.rightMmPerS = row.velMmPerS = 300;
  row.battery = 12.5;
  row.odoDx = 1.2345f;
  std::string out;
  for (auto _ : state) {
    out.clear();
    appendRobotRow(out, row);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_FormatRobotRow);
