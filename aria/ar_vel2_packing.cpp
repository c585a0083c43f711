#include "aria/ar_vel2_packing.h"

#include <algorithm>
#include <cmath>

namespace {
int8_t wheelUnits(double mmPerS, int divisor) {
  if (!std::isfinite(mmPerS)) return 0;
  const double units = std::round(mmPerS / divisor);
  return static_cast<int8_t>(std::clamp(units, -127.0, 127.0));
}
}  // namespace

int16_t packVel2(double leftMmPerS, double rightMmPerS, int divisor) {
  const auto left = static_cast<uint8_t>(wheelUnits(leftMmPerS, divisor));
  const auto right = static_cast<uint8_t>(wheelUnits(rightMmPerS, divisor));
  return static_cast<int16_t>(static_cast<uint16_t>((left << 8) | right));
}

Vel2Wheels unpackVel2(int argument, int divisor) {
  const auto bits = static_cast<uint16_t>(static_cast<int16_t>(argument));
  Vel2Wheels w;
  w.leftMmPerS = static_cast<int8_t>(bits >> 8) * divisor;
  w.rightMmPerS = static_cast<int8_t>(bits & 0xFF) * divisor;
  return w;
}
