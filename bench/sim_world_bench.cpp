// The simulated laser's cost per scan: casting 361 rays in the default room,
// and writing the scan file (temporary file and rename), every 100 ms in torva-sim.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "sim/default_world.h"
#include "sim/laser_scan_writer.h"
#include "sim/world_map.h"

namespace {
void castScanInTheRoom(benchmark::State& state) {
  const WorldMap map = parseWorldMap(defaultWorldMapText()).map.value();
  double th = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(castScan(map.walls, 1000, -500, th, LaserSettings{}, nullptr));
    th += 7;
  }
}
BENCHMARK(castScanInTheRoom);

void writeScanFileToTmp(benchmark::State& state) {
  char dir[] = "/tmp/torva-bench-XXXXXX";
  if (::mkdtemp(dir) == nullptr) {
    state.SkipWithError("mkdtemp");
    return;
  }
  const WorldMap map = parseWorldMap(defaultWorldMapText()).map.value();
  const auto ranges = castScan(map.walls, 0, 0, 0, LaserSettings{}, nullptr);
  for (auto _ : state) benchmark::DoNotOptimize(writeScanFile(dir, ranges));
  ::unlink((std::string(dir) + "/data_sick.dat").c_str());
  ::rmdir(dir);
}
BENCHMARK(writeScanFileToTmp);
}  // namespace
