#pragma once
// The VEL2 argument: each wheel's speed divided by the divisor (20 mm/s per
// unit) and rounded, clamped to -127 .. 127; left wheel in the high byte,
// right wheel in the low byte, the 16 bits sent as a signed int.
#include <cstdint>

inline constexpr int kVel2Divisor = 20;

int16_t packVel2(double leftMmPerS, double rightMmPerS, int divisor = kVel2Divisor);

struct Vel2Wheels {
  int leftMmPerS = 0;
  int rightMmPerS = 0;
};
// The robot side: rebuilds the signed value and splits it into wheel speeds.
Vel2Wheels unpackVel2(int argument, int divisor = kVel2Divisor);
