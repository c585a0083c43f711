#pragma once
// The frame loop's driving steps: the keys and the gamepad turned into the
// set speed, the turn and the wheel speeds (see core/driving_state.h for the
// values, core/gamepad_driving.h for the gamepad's part).
#include <cstdint>

#include "core/driving_state.h"

// The driving steps, run on every pass of the frame loop: a worker's stop
// request (it stopped the robot while the main thread was silent) sets the
// speed to zero as Space does; then the turn hold count-down, then the
// gamepad (see core/gamepad_driving.h), then the held keys (Up, Down, Left,
// Right, which wait while the gamepad drives; Space, or the gamepad's "B";
// and the test point keys A, S, D, F, which print the test point on the
// console). nowMs: the steady clock in milliseconds, against which the
// gamepad's read time is judged.
void runDrivingSteps(DrivingState& d, std::int64_t nowMs);
void runDrivingSteps(DrivingState& d);
