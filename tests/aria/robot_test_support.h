#pragma once
// Shared pieces of the robot layer tests: an in-process simulator with a
// robot connected to it and a callback probe.
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "aria/aria.h"
#include "sim/sim_server.h"
#include "tests/support/poll_until.h"
#include "tests/support/sim_wheel_commands.h"

// Counts calls and notes whether any came from a thread other than the test's.
struct CallbackProbe {
  std::atomic<int> calls{0};
  std::atomic<bool> onLayerThread{false};
  std::thread::id testThread = std::this_thread::get_id();
  std::function<void()> extra;  // run inside the callback
  void hit() {
    if (std::this_thread::get_id() != testThread) onLayerThread = true;
    if (extra) extra();
    ++calls;
  }
  ArFunctorC<CallbackProbe> functor{this, &CallbackProbe::hit};
};

// A simulator and a robot on a TCP link to it. The connection outlives the
// robot (declared first), as in the station's worker record.
struct SimLink {
  SimServer sim;
  ArTcpConnection connection;
  ArRobot robot;
  CallbackProbe connected, failed, normal, error;

  explicit SimLink(const SimOptions& options = realTimeSim()) : sim(options) {
    robot.addConnectCB(&connected.functor, ArListPos::FIRST);
    robot.addFailedConnectCB(&failed.functor, ArListPos::FIRST);
    robot.addDisconnectNormallyCB(&normal.functor, ArListPos::FIRST);
    robot.addDisconnectOnErrorCB(&error.functor, ArListPos::FIRST);
  }
  // Starts the simulator and connects; the robot cycle runs afterwards.
  bool up(bool enableMotors = true) {
    Aria::init();
    std::string why;
    if (!sim.start(why)) return false;
    if (connection.open("127.0.0.1", sim.tcpPort()) != 0) return false;
    robot.setDeviceConnection(&connection);
    if (!robot.blockingConnect()) return false;
    if (enableMotors) robot.comInt(4, 1);
    robot.runAsync(true);
    return true;
  }
  int count(const std::string& name) const {
    int n = 0;
    for (const auto& r : sim.commandLog()) n += r.name == name;
    return n;
  }
};
