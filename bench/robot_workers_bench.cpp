// Processor use of a manual robot worker driving the robot of torva-sim (its
// usual 100 ms cycle, in a process of its own) for 10 s: the worker thread
// alone, and the whole station side (worker plus the robot cycle thread), as
// a percentage of one core.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <time.h>

#include <chrono>
#include <memory>
#include <thread>

#include "robot/robot_workers.h"
#include "state/robot_controller.h"
#include "tests/support/child_process.h"

namespace {
double seconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}
}  // namespace

static void BM_ManualWorkerDriving10s(benchmark::State& state) {
  ChildProcess sim;
  const int port = startSimulator(sim, TORVA_BINARY_DIR);
  if (port == 0) {
    state.SkipWithError("torva-sim did not start");
    return;
  }
  auto station = std::make_unique<RobotController>();
  station->simulatorMode = 1;
  SharedWheelSpeeds wheels{WheelSpeeds{0.15f, 0.2f}};
  Relaxed<int> run{1};
  for (auto _ : state) {
    run = 1;
    station->firstPose = true;
    std::thread worker([&] { ipManualWorker("127.0.0.1", port, &wheels, &run, *station); });
    clockid_t workerClock;
    pthread_getcpuclockid(worker.native_handle(), &workerClock);
    // Measured once the drive loop runs (its first station update).
    const auto give = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (station->firstPose && std::chrono::steady_clock::now() < give) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (station->firstPose) {
      run = 0;
      worker.join();
      state.SkipWithError("the manual worker never drove");
      break;
    }
    const double w0 = seconds(workerClock);
    const double p0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double w1 = seconds(workerClock);
    const double p1 = seconds(CLOCK_PROCESS_CPUTIME_ID);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    run = 0;
    worker.join();
    state.counters["worker_cpu_percent"] = 100 * (w1 - w0) / wall;
    state.counters["station_cpu_percent"] = 100 * (p1 - p0) / wall;
  }
}
BENCHMARK(BM_ManualWorkerDriving10s)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
