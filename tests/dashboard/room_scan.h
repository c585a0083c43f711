#pragma once
// Ranges from the scanner to the walls of a room 4 m wide, seen from a robot
// 1.5 m from its right wall and `ahead` metres short of its far wall: the scan
// of the dashboard's reference pictures and of the documentation's picture.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

inline std::vector<float> roomScan(double ahead) {
  std::vector<float> ranges(361);
  for (int i = 0; i < 361; ++i) {
    const double a = i * M_PI / 360;  // from the robot's right to its left
    const double side = std::cos(a) > 0 ? 1.5 / std::cos(a) : 2.5 / -std::cos(a);
    const double front = std::sin(a) > 1e-9 ? ahead / std::sin(a) : 1e9;
    ranges[static_cast<std::size_t>(i)] = static_cast<float>(std::min(side, front));
  }
  return ranges;
}
