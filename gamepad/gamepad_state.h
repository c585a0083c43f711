#pragma once
// What the gamepad thread publishes on every pass, as one value: the frame
// loop takes it whole, so the dead-man button, the sticks and the time of the
// read it holds always belong to the same moment.
#include <atomic>
#include <cstdint>

struct GamepadState {
  // Steady-clock milliseconds (their low 32 bits) when this read began.
  std::uint32_t readMs = 0;
  // Left stick up (+) or down (-), and right stick right (+) or left (-), in
  // thousandths of their travel past the dead zone.
  std::int32_t forward : 12 = 0;
  std::int32_t turn : 12 = 0;
  // A gamepad is open; otherwise nothing else here means anything.
  std::uint32_t connected : 1 = 0;
  // The left shoulder button: nothing drives unless it is held.
  std::uint32_t deadManHeld : 1 = 0;
  // "B", the right face button: held now, and presses counted modulo 16 so
  // that a press that comes and goes between two frames still stops.
  std::uint32_t stopHeld : 1 = 0;
  std::uint32_t stopPresses : 4 = 0;
};
static_assert(sizeof(GamepadState) == 8 && std::atomic<GamepadState>::is_always_lock_free);

// A gamepad whose state has not been read for longer than this is taken as
// gone: a stalled reader must not keep the robot going on its last read.
inline constexpr std::int64_t kGamepadSilenceMs = 500;

// The state is from a reader that is alive: a gamepad is open and its state
// was read at most kGamepadSilenceMs before nowMs (a read a moment after nowMs,
// taken while the caller looked at the clock, counts as fresh).
inline bool gamepadLive(const GamepadState& s, std::int64_t nowMs) {
  const auto age = static_cast<std::int32_t>(static_cast<std::uint32_t>(nowMs) - s.readMs);
  return s.connected != 0 && age <= kGamepadSilenceMs;
}
