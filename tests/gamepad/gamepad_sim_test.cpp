// The gamepad driving the simulator's robot through the manual worker, all in
// real time: the reader on its own thread, the driving steps on a thread that
// stands in for the frame loop, the worker sending what they set.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "core/driving_state.h"
#include "core/driving_steps.h"
#include "robot/robot_workers.h"
#include "sim/sim_server.h"
#include "state/robot_controller.h"
#include "tests/gamepad/running_reader.h"
#include "tests/gamepad/virtual_gamepad.h"
#include "tests/support/console_capture.h"
#include "tests/support/poll_until.h"
#include "tests/support/sim_wheel_commands.h"

using namespace std::chrono_literals;

namespace {
// The simulator, the driving steps every 16 ms on the driving globals' own
// record, and a manual worker on its wheel speeds; stopped in reverse order.
struct GamepadRun {
  ConsoleCapture console;
  SimServer sim{realTimeSim()};
  std::unique_ptr<RobotController> station = std::make_unique<RobotController>();
  DrivingState d;
  std::atomic<bool> framesOn{true};
  std::thread frames, worker;

  bool start() {
    std::string why;
    if (!sim.start(why)) return false;
    station->simulatorMode = 1;
    frames = std::thread([this] {
      while (framesOn) {
        runDrivingSteps(d);
        std::this_thread::sleep_for(16ms);
      }
    });
    worker = std::thread([this] {
      ipManualWorker("127.0.0.1", sim.tcpPort(), &d.wheelSpeeds, &d.manualDriveFlag, *station);
    });
    return true;
  }
  ~GamepadRun() {
    d.manualDriveFlag = 0;
    if (worker.joinable()) worker.join();
    framesOn = false;
    if (frames.joinable()) frames.join();
  }
};
}  // namespace

TEST(GamepadManualRun, TheRobotGoesWithTheStickAndItsWheelsStopWhenTheDeadManIsLetGo) {
  GamepadRun run;
  RunningReader reader(run.d.gamepad, /*realTime=*/true);
  ASSERT_TRUE(reader.up());
  VirtualGamepad pad("Mando");
  ASSERT_TRUE(pad.plugged());
  ASSERT_TRUE(run.start());
  ASSERT_TRUE(pollUntil([&] { return lastVel2Is(run.sim, {0, 0}); }, 10s));
  // The driving steps have seen the gamepad, its dead-man button up.
  ASSERT_TRUE(pollUntil([&] { return run.d.gamepadArmed.load(); }, 5s));

  pad.axis(SDL_CONTROLLER_AXIS_LEFTY, -32768);  // full up
  pad.button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true);
  EXPECT_TRUE(pollUntil([&] { return lastVel2Is(run.sim, {1200, 1200}); }, 5s));
  // Moving forward: along x from the start, both wheels turning ahead.
  EXPECT_TRUE(pollUntil([&] { return run.sim.truePose().x > 100; }, 5s));
  double left = 0, right = 0;
  run.sim.withRobot([&](SimRobot& r) {
    left = r.leftVel();
    right = r.rightVel();
  });
  EXPECT_GT(left, 0);
  EXPECT_NEAR(right, left, 1);
  EXPECT_NEAR(run.sim.truePose().y, 0, 5);

  const auto letGo = std::chrono::steady_clock::now();
  pad.button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, false);
  const bool zero = pollUntil([&] { return lastVel2Is(run.sim, {0, 0}); }, 5s, 1ms);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - letGo)
                      .count();
  RecordProperty("stop_ms", static_cast<int>(ms));
  EXPECT_TRUE(zero);
  EXPECT_LE(ms, 200) << "the wheels were told zero " << ms << " ms after the release";
  EXPECT_EQ(run.d.manualSpeed, 0.0f);
}
