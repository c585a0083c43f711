#include "state/map_cells.h"

#include <cmath>

int truncCells(float cells) {
  constexpr float kLimit = 1.0e6f;
  if (!(cells > -kLimit)) return -static_cast<int>(kLimit);  // also NaN
  if (cells > kLimit) return static_cast<int>(kLimit);
  return static_cast<int>(std::trunc(cells));
}
