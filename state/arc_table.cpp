#include "state/arc_table.h"

#include <cmath>

ArcTable::ArcTable() : count(361), pi(3.141592653589793) {
  cosines.resize(static_cast<std::size_t>(count));
  sines.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const double angle = static_cast<double>(i) * pi / static_cast<double>(count - 1);
    cosines[static_cast<std::size_t>(i)] = static_cast<float>(std::cos(angle));
    sines[static_cast<std::size_t>(i)] = static_cast<float>(std::sin(angle));
  }
}
