#pragma once
// The turns a robot made, read from its heading at every step: the net
// rotation of each spell of turning, a spell being a run of steps over which
// the heading kept changing. A quarter turn taken the long way shows as -270
// instead of 90, however small each step is.
#include <cmath>
#include <cstddef>
#include <vector>

// Adds a heading (degrees, wrapped any way) to a trace kept unwrapped.
inline void addHeading(std::vector<double>& trace, double degrees) {
  if (!trace.empty()) degrees = trace.back() + std::remainder(degrees - trace.back(), 360.0);
  trace.push_back(degrees);
}

// Net rotation of each spell of turning larger than minDegrees, in order.
inline std::vector<double> netTurns(const std::vector<double>& trace, double minDegrees) {
  std::vector<double> turns;
  double spell = 0;
  for (std::size_t i = 1; i <= trace.size(); ++i) {
    const double step = i < trace.size() ? trace[i] - trace[i - 1] : 0;
    if (step != 0) {
      spell += step;
    } else if (spell != 0) {
      if (std::abs(spell) > minDegrees) turns.push_back(spell);
      spell = 0;
    }
  }
  return turns;
}
