#include "sim/scanner_view.h"

#include <numbers>

#include "sim/world_geometry.h"

std::vector<double> scannerDistancesMm(const std::vector<Wall>& walls, const SimPose& pose,
                                       double startDeg, double stepDeg, int count,
                                       double maxRangeMm) {
  std::vector<double> mm(static_cast<std::size_t>(count < 0 ? 0 : count));
  for (int k = 0; k < count; ++k) {
    // The scanner's 90 degrees is the robot's heading.
    const double bearing = pose.th + (startDeg + k * stepDeg - 90) * std::numbers::pi / 180;
    mm[static_cast<std::size_t>(k)] = rayDistance(walls, pose.x, pose.y, bearing, maxRangeMm);
  }
  return mm;
}
