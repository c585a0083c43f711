#pragma once
// The manual-driving globals: the frame loop writes them, the manual robot
// workers read the wheel speeds, the window procedure writes the keys.
#include <array>
#include <cstdint>

#include "gamepad/gamepad_state.h"
#include "state/main_thread_heartbeat.h"
#include "state/shared_value.h"
#include "state/wheel_speeds.h"

// Windows virtual-key codes, which the window procedure stores keys under.
namespace vk {
inline constexpr int kSpace = 32;
inline constexpr int kEscape = 27;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kA = 65;
inline constexpr int kD = 68;
inline constexpr int kF = 70;
inline constexpr int kS = 83;
}  // namespace vk

// The turn term that Left and Right give, and the most the gamepad gives.
inline constexpr float kManualTurn = 0.3f;

struct DrivingState {
  std::array<Relaxed<bool>, 256> keyDown{};
  // Keys pressed since the last frame's driving steps: a tap shorter than a
  // frame still acts once, as a press held for one frame.
  std::array<Relaxed<bool>, 256> keyTapped{};
  Relaxed<bool> windowActive{true};
  Relaxed<int> projectionPending{1};
  Relaxed<float> manualSpeed{0};
  Relaxed<float> manualTurn{0};
  Relaxed<int> turnHoldFrames{0};
  Relaxed<float> maxManualSpeed{1.2f};
  Relaxed<float> wheelTrack{0.41f};
  // v + w.L/2 and v - w.L/2 (m/s), published as one value.
  SharedWheelSpeeds wheelSpeeds;
  Relaxed<int> manualDriveFlag{1};
  Relaxed<float> testPointX{0};
  Relaxed<float> testPointY{0};
  Relaxed<bool> mouseButtonHeld{false};
  // The main thread's sign of life for the manual workers.
  MainThreadHeartbeat heartbeat;
  // Published by the gamepad thread on every pass; the driving steps apply it.
  Relaxed<GamepadState> gamepad;
  // The driving steps' own record of the gamepad (main thread): whether it
  // set the speed in the last step, whether its dead-man button was seen up
  // since the last stop, and the "B" presses already acted on.
  Relaxed<bool> gamepadDriving{false};
  Relaxed<bool> gamepadArmed{false};
  Relaxed<unsigned> gamepadStopPressesSeen{0};
};

// The station's one set of driving globals.
extern DrivingState driving;

// Space: set speed, turn and both wheel speeds to zero. The gamepad drives
// again only once its dead-man button is pressed anew.
void stopDriving(DrivingState& d);

// Held now, or tapped since the last driving steps.
bool keyActive(const DrivingState& d, int key);
// Forgets the taps (after the driving steps, and while nothing is drawn).
void clearKeyTaps(DrivingState& d);

// Left and right wheel speeds from the forward speed and turn term.
void recomputeWheelSpeeds(DrivingState& d);
