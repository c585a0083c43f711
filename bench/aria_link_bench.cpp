// The robot layer's link costs: time from setVel2 to the VEL2 bytes arriving
// at the robot end, and processor use of a connected robot standing idle.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "aria/ar_commands.h"
#include "aria/aria.h"
#include "tests/aria/scripted_robot_peer.h"
#include "tests/support/child_process.h"

extern char** environ;

namespace {
double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}
}  // namespace

// setVel2 on the caller's thread to the last byte read by the robot end of a
// loopback TCP link; the robot cycle runs as in the station.
static void BM_SetVel2ToWire(benchmark::State& state) {
  Aria::init();
  ScriptedRobotPeer peer;
  ArTcpConnection connection;
  ArRobot robot;
  if (connection.open("127.0.0.1", peer.port()) != 0) {
    state.SkipWithError("no link");
    return;
  }
  robot.setDeviceConnection(&connection);
  bool connected = false;
  std::thread connector([&] { connected = robot.blockingConnect(); });
  const bool answered = peer.accept(3000) && peer.answerHandshake();
  connector.join();
  if (!answered || !connected) {
    state.SkipWithError("no handshake");
    return;
  }
  robot.setConnectionTimeoutTime(0);  // this robot end sends no status
  robot.runAsync(true);
  int i = 0;
  for (auto _ : state) {
    const double speed = (++i % 2) ? 100 : 200;
    const auto start = std::chrono::steady_clock::now();
    robot.setVel2(speed, speed);
    ReceivedPacket p;
    bool got = false;
    while (!got && peer.readPacket(p, 1000)) got = p.type == ArCommands::VEL2;
    const auto end = std::chrono::steady_clock::now();
    if (!got) {
      state.SkipWithError("VEL2 never arrived");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  Aria::shutdown();
}
BENCHMARK(BM_SetVel2ToWire)->UseManualTime()->Unit(benchmark::kMicrosecond);

// A robot connected to torva-sim (100 ms status cycle) and left alone: the
// robot cycle thread's processor share, as a percentage of one core.
static void BM_IdleRobotThreadCpu(benchmark::State& state) {
  ChildProcess sim;
  const int port = startSimulator(sim, TORVA_BINARY_DIR);
  if (port == 0) {
    state.SkipWithError("torva-sim did not start");
    return;
  }
  Aria::init();
  {
    ArTcpConnection connection;
    ArRobot robot;
    int code = -1;
    for (int tries = 0; tries < 100 && code != 0; ++tries) {
      code = connection.open("127.0.0.1", port);
      if (code != 0) ArUtil::sleep(20);
    }
    robot.setDeviceConnection(&connection);
    if (code != 0 || !robot.blockingConnect()) {
      state.SkipWithError("no connection to torva-sim");
    } else {
      robot.runAsync(true);
      double cpu = 0, wall = 0;
      for (auto _ : state) {
        const double c0 = processCpuSeconds();
        const auto w0 = std::chrono::steady_clock::now();
        ArUtil::sleep(2000);
        cpu += processCpuSeconds() - c0;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
      }
      state.counters["cpu_percent"] = 100.0 * cpu / wall;
      state.counters["status_packets"] = static_cast<double>(robot.getStatusPacketCount());
    }
    Aria::shutdown();
  }
}
BENCHMARK(BM_IdleRobotThreadCpu)->Iterations(2)->Unit(benchmark::kMillisecond);
