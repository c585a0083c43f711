#pragma once
// The gamepad thread's work: the first gamepad SDL's game-controller layer
// finds, read on every pass and published as one value. Gamepads plugged in
// or pulled out later are followed, and the console says so. SDL is started
// for its joysticks and their events only: it opens no window and touches no
// video, and installs no signal handlers (the station has a signal thread).
#include <atomic>
#include <cstdint>
#include <functional>

#include "gamepad/gamepad_state.h"
#include "state/shared_value.h"

struct GamepadReaderOptions {
  // Milliseconds on a clock that only goes forward; empty: the steady clock.
  std::function<std::int64_t()> clockMs;
  // The reader returns once this is set, and SDL is ended in the process;
  // null: never (the station).
  const std::atomic<bool>* stop = nullptr;
};

// Time between passes: short while a gamepad is open, so that a release
// reaches the driving steps well within a frame; long while none is, so that
// watching for one to be plugged in costs nothing to speak of.
inline constexpr int kGamepadPassMs = 5;
inline constexpr int kGamepadIdlePassMs = 100;

// Runs the reader on the calling thread, publishing into out on every pass
// (the time the pass began, and the open gamepad's buttons and sticks). Waits
// on nothing but SDL and its own sleep (its console lines go to the console's
// queue). False, said on the console, when SDL cannot start.
bool runGamepadReader(Relaxed<GamepadState>& out, const GamepadReaderOptions& options = {});
