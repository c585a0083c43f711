// One dashboard frame (every instrument and the map texture upload) against
// an empty frame (clear and swap) in the 600 x 450 station window, on
// whatever GL the display offers (Mesa llvmpipe under Xvfb in CI).
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <memory>
#include <vector>

#include "dashboard/dashboard_composer.h"
#include "dashboard/textures.h"
#include "gui/station_window.h"
#include "state/arc_table.h"
#include "state/robot_controller.h"

namespace {

struct Station {
  RobotController rc;
  ArcTable arcs;
  DashboardInputs inputs;
  bool open = false;
};

// A busy frame: a full scan, a heading, both speeds and a marked map.
Station& station() {
  static auto s = [] {
    auto st = std::make_unique<Station>();
    if (chdir(TORVA_RESOURCES) != 0) return st;
    useDashboardRenderResources();
    st->open = createStationWindow("Controlador TORVA version 1.0", 600, 450, 8);
    LaserBuffer* buffer = st->rc.newLaserBuffer(361);
    for (int i = 0; i < 361; ++i) {
      buffer->values[static_cast<std::size_t>(i)] = 2.0f + std::sin(i * 0.05f);
    }
    st->rc.laserRanges.store(buffer, std::memory_order_release);
    st->rc.laserLastIndex = 360;
    for (int i = 0; i < kGridCells; i += 7) markObstacleCell(st->rc, i);
    st->rc.headingRad = 0.6f;
    st->rc.robotSpeed = 0.42f;
    st->inputs.manualSpeed = 0.45f;
    return st;
  }();
  return *s;
}

void emptyFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  swapStationBuffers();
}

void dashboardFrame(Station& s) {
  drawDashboard(s.rc, s.arcs.cosines.data(), s.arcs.sines.data(), s.inputs);
  swapStationBuffers();
}

// Processor time of the whole process: the station's thread and the GL
// driver's own (llvmpipe rasterises on threads of its own).
double processSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct PerFrame {
  double wall = 0;       // seconds
  double processor = 0;  // seconds, all threads
};

template <class F>
PerFrame perFrame(F frame, int frames) {
  glFinish();
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = processSeconds();
  for (int i = 0; i < frames; ++i) frame();
  glFinish();
  PerFrame p;
  p.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / frames;
  p.processor = (processSeconds() - cpuStart) / frames;
  return p;
}

void BM_EmptyFrame(benchmark::State& state) {
  if (!station().open) {
    state.SkipWithError("no station window");
    return;
  }
  for (auto _ : state) emptyFrame();
  glFinish();
}
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond);

void BM_DashboardFrame(benchmark::State& state) {
  Station& s = station();
  if (!s.open) {
    state.SkipWithError("no station window");
    return;
  }
  for (auto _ : state) dashboardFrame(s);
  glFinish();
  // Both kinds of frame timed back to back, for the ratio. The processor
  // time of all the process's threads is steadier than the wall time on a
  // machine shared with other work, so it is given beside it.
  const PerFrame empty = perFrame(emptyFrame, 100);
  const PerFrame full = perFrame([&] { dashboardFrame(s); }, 100);
  state.counters["empty_ms"] = empty.wall * 1e3;
  state.counters["dashboard_ms"] = full.wall * 1e3;
  state.counters["ratio"] = full.wall / empty.wall;
  state.counters["empty_cpu_ms"] = empty.processor * 1e3;
  state.counters["dashboard_cpu_ms"] = full.processor * 1e3;
  state.counters["cpu_ratio"] = full.processor / empty.processor;
}
BENCHMARK(BM_DashboardFrame)->Unit(benchmark::kMillisecond);

}  // namespace

// The window goes before the toolkit's and the GL library's own teardown.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  destroyStationWindow();
  return 0;
}
