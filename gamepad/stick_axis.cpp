#include "gamepad/stick_axis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

int stickThousandths(std::int16_t raw) {
  constexpr int kFull = 32767;
  const int pushed = std::min(std::abs(static_cast<int>(raw)), kFull);
  if (pushed <= kStickDeadZone) return 0;
  const auto thousandths =
      static_cast<int>(std::lround((pushed - kStickDeadZone) * 1000.0 / (kFull - kStickDeadZone)));
  return raw < 0 ? -thousandths : thousandths;
}
