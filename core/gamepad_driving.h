#pragma once
// The gamepad's part of the driving steps, on the main thread: the gamepad
// thread publishes what it read (GamepadState), and these turn it into the set
// speed and turn, so that the driving values keep one writer.
//
// The gamepad drives only while its dead-man button (left shoulder) is held:
// the left stick's vertical axis sets the speed, up to the keys' limit either
// way, and the right stick's horizontal axis the turn, up to the keys' turn,
// with the keys' signs (Right turns right going forward, left going back).
// Releasing the button, pulling the gamepad out or a reader that has not
// read it for kGamepadSilenceMs stop the robot as Space does, in that very
// step; after any stop it drives again only once the button has been seen up
// and pressed anew, so it never drives on from a stale or forgotten hold.
#include <cstdint>

struct DrivingState;

// Applies the gamepad's state as of nowMs (steady-clock milliseconds):
// whether it set the speed and turn.
bool applyGamepad(DrivingState& d, std::int64_t nowMs);

// "B" held, or pressed since the last call, on a live gamepad: the caller
// stops as for Space.
bool gamepadStopPressed(DrivingState& d, std::int64_t nowMs);

// The gamepad alone, "B" included: run on every beat of the event loop, so
// that it drives and stops while no frame runs (a menu or a dialog open, the
// window minimised).
void runGamepadStep(DrivingState& d, std::int64_t nowMs);
