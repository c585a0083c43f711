#pragma once
// The operator's wheel speeds as the frame loop publishes them: both wheels in
// one value, so that a command never pairs one wheel of a frame with the
// other wheel of another (after Space, a short spin).
#include "state/shared_value.h"

struct alignas(8) WheelSpeeds {
  float left = 0;   // m/s
  float right = 0;  // m/s
  bool operator==(const WheelSpeeds&) const = default;
};

// One 64-bit atomic: written whole, read whole, lock-free.
using SharedWheelSpeeds = Relaxed<WheelSpeeds>;
static_assert(sizeof(WheelSpeeds) == 8);
static_assert(SharedWheelSpeeds::kLockFree);
