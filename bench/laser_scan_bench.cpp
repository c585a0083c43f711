// One real 361-reading scan read from its file and marked into the map, beside
// reading the same file's bytes alone (the floor any reader pays).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "laser/laser_scan_reader.h"
#include "laser/map_grid.h"
#include "os/text_numbers.h"
#include "state/robot_controller.h"

namespace {
const std::string kScan = std::string(TORVA_TEST_DATA) + "/laser/scan_003.dat";

void BM_ReadAndMarkScan(benchmark::State& state) {
  auto rc = std::make_unique<RobotController>();
  rc->laserFileName = kScan.c_str();
  // The first read announces the scanner on the console; keep that out of the table.
  std::fflush(stdout);
  const int saved = ::dup(1);
  const int null = ::open("/dev/null", O_WRONLY);
  ::dup2(null, 1);
  readLaserScan(*rc);
  std::fflush(stdout);
  ::dup2(saved, 1);
  ::close(null);
  ::close(saved);
  for (auto _ : state) {
    readLaserScan(*rc);
    markScanInMap(*rc);
    benchmark::DoNotOptimize(rc->laserLastIndex.load());
  }
}
BENCHMARK(BM_ReadAndMarkScan);

void BM_ReadScanFileBytesOnly(benchmark::State& state) {
  for (auto _ : state) {
    auto text = readFileText(kScan.c_str(), 1 << 20);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_ReadScanFileBytesOnly);
}  // namespace
