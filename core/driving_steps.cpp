#include "core/driving_steps.h"

#include "core/gamepad_driving.h"
#include "os/console_print.h"
#include "state/main_thread_heartbeat.h"

namespace {
void stepTestPoint(Relaxed<float>& coordinate, double delta, const DrivingState& d) {
  coordinate = static_cast<float>(static_cast<double>(coordinate) + delta);
  consolePrintf("pos X= %f , pos Y= %f \n", static_cast<double>(d.testPointX),
                static_cast<double>(d.testPointY));
}
}  // namespace

void runDrivingSteps(DrivingState& d) {
  runDrivingSteps(d, heartbeatClockMs());
}

void runDrivingSteps(DrivingState& d, std::int64_t nowMs) {
  if (d.heartbeat.stopRequested.load(std::memory_order_relaxed)) {
    stopDriving(d);
    d.heartbeat.stopRequested.store(false, std::memory_order_release);
  }
  if (d.turnHoldFrames != 0) {
    d.turnHoldFrames = d.turnHoldFrames - 1;
  } else {
    d.manualTurn = 0;
  }

  const auto held = [&d](int key) { return keyActive(d, key); };
  const float limit = d.maxManualSpeed;
  // While the gamepad drives, its sticks alone set the speed and the turn.
  const bool gamepadDrives = applyGamepad(d, nowMs);
  if (!gamepadDrives) {
    if (held(vk::kUp)) {
      if (d.manualSpeed < limit) {
        d.manualSpeed = static_cast<float>(static_cast<double>(d.manualSpeed) + 0.01);
      } else {
        d.manualSpeed = limit;
      }
      recomputeWheelSpeeds(d);
    }
    if (held(vk::kDown)) {
      if (d.manualSpeed > -limit) {
        d.manualSpeed = static_cast<float>(static_cast<double>(d.manualSpeed) - 0.01);
      } else {
        d.manualSpeed = -limit;
      }
      recomputeWheelSpeeds(d);
    }
    if (held(vk::kLeft)) {
      d.manualTurn = d.manualSpeed >= 0 ? -kManualTurn : kManualTurn;
      d.turnHoldFrames = 10;
      recomputeWheelSpeeds(d);
    }
    if (held(vk::kRight)) {
      d.manualTurn = d.manualSpeed >= 0 ? kManualTurn : -kManualTurn;
      d.turnHoldFrames = 10;
      recomputeWheelSpeeds(d);
    }
  }
  // The gamepad's "B" acts as Space (its presses are taken even while Space is held).
  const bool stopPressed = gamepadStopPressed(d, nowMs);
  if (held(vk::kSpace) || stopPressed) stopDriving(d);
  if (held(vk::kA)) stepTestPoint(d.testPointX, -0.01, d);
  if (held(vk::kS)) stepTestPoint(d.testPointX, 0.01, d);
  if (held(vk::kD)) stepTestPoint(d.testPointY, -0.01, d);
  if (held(vk::kF)) stepTestPoint(d.testPointY, 0.01, d);
  clearKeyTaps(d);
}
