// The frame loop changes the set speed and the turn every frame while a
// manual worker sends them to the robot: each command the robot gets pairs
// the left and right wheels of one frame, never one wheel of a frame with the
// other wheel of the next (after Space, that was a short spin).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <thread>

#include "core/driving_state.h"
#include "core/driving_steps.h"
#include "robot/manual_drive.h"
#include "state/robot_controller.h"
#include "tests/support/console_capture.h"
#include "tests/support/poll_until.h"

namespace {
// Up held, and Left and Right in turn: every frame flips the turn, so the
// wheels of one frame differ by 0.123 m/s one way, then the other way; the
// left wheel of one frame and the right wheel of the next are equal.
void runFrames(DrivingState& d, const std::atomic<bool>& run) {
  for (long frame = 0; run; ++frame) {
    d.keyDown[vk::kUp] = true;
    d.keyDown[vk::kLeft] = frame % 2 == 0;
    d.keyDown[vk::kRight] = frame % 2 == 1;
    runDrivingSteps(d);
  }
}

// The manual loop's robot, taking commands as fast as the loop gives them.
class CountingPort : public MotionPort {
 public:
  CountingPort(Relaxed<int>& run, long passes) : run_(run), passes_(passes) {}
  PoseReading readPose() override { return {}; }
  double velocity() override { return 0; }
  void setVel2(double left, double right) override {
    if (left == 0 && right == 0) return;
    ++commands;
    if (std::abs(left - right) < 100) ++mixed;
  }
  void sleepMs(int) override {}
  double seconds() override { return 0; }
  bool wheelStalled() override { return false; }
  void waitPass() override {
    if (--passes_ <= 0) run_ = 0;
  }
  long commands = 0;
  long mixed = 0;

 private:
  Relaxed<int>& run_;
  long passes_;
};
}  // namespace

TEST(ManualWorkerCommands, TheManualLoopTakesBothWheelsOfOneFrame) {
  auto station = std::make_unique<RobotController>();
  auto driving = std::make_unique<DrivingState>();
  std::atomic<bool> framesRun{true};
  std::thread frames([&] { runFrames(*driving, framesRun); });
  // The loop starts once the frames turn: on a loaded machine the frame
  // thread may start after the loop's 300 000 passes are over.
  if (!pollUntil([&] { return driving->wheelSpeeds.load() != WheelSpeeds{}; },
                 std::chrono::seconds(10))) {
    framesRun = false;
    frames.join();
    FAIL() << "the frame loop set no wheel speeds";
  }
  CountingPort robot(driving->manualDriveFlag, 300000);
  ArPose pose;
  ConsoleCapture console;
  manualDriveLoop(robot, pose, &driving->wheelSpeeds, &driving->manualDriveFlag, *station);
  framesRun = false;
  frames.join();
  EXPECT_GT(robot.commands, 100000);
  EXPECT_EQ(robot.mixed, 0) << "of " << robot.commands << " commands";
}
