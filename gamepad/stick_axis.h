#pragma once
// A stick's axis as SDL reads it, turned into how far it is pushed.
#include <cstdint>

// About a tenth of the travel around the centre reads as zero: a stick at rest
// rarely reads exactly 0.
inline constexpr int kStickDeadZone = 3277;

// The axis value (-32768 to 32767) in thousandths of the travel past the dead
// zone: 0 inside it, then rising evenly to -1000 or 1000 at the end, so that
// the speed starts from zero at the dead zone's edge instead of jumping.
int stickThousandths(std::int16_t raw);
