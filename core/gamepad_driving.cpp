#include "core/gamepad_driving.h"

#include "core/driving_state.h"

bool applyGamepad(DrivingState& d, std::int64_t nowMs) {
  const GamepadState s = d.gamepad.load();
  const bool live = gamepadLive(s, nowMs);
  if (!live || s.deadManHeld == 0) {
    if (d.gamepadDriving) stopDriving(d);
    d.gamepadArmed = live;
    return false;
  }
  if (!d.gamepadArmed) return false;  // held since before a stop
  d.manualSpeed = static_cast<float>(s.forward / 1000.0 * static_cast<double>(d.maxManualSpeed));
  const double turn = s.turn / 1000.0 * static_cast<double>(kManualTurn);
  d.manualTurn = static_cast<float>(d.manualSpeed >= 0 ? turn : -turn);
  recomputeWheelSpeeds(d);
  d.gamepadDriving = true;
  return true;
}

bool gamepadStopPressed(DrivingState& d, std::int64_t nowMs) {
  const GamepadState s = d.gamepad.load();
  if (!gamepadLive(s, nowMs)) return false;
  const bool pressed = s.stopHeld != 0 || s.stopPresses != d.gamepadStopPressesSeen;
  d.gamepadStopPressesSeen = s.stopPresses;
  return pressed;
}

void runGamepadStep(DrivingState& d, std::int64_t nowMs) {
  applyGamepad(d, nowMs);
  if (gamepadStopPressed(d, nowMs)) stopDriving(d);
}
