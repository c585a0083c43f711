#include "laser/map_grid.h"

#include <cmath>
#include <numbers>

#include "state/map_cells.h"
#include "state/robot_controller.h"

MarkPose currentMarkPose(const RobotController& rc) {
  return rc.mapPose.load();
}

void markScanInMap(RobotController& rc) {
  if (!rc.laserValid) return;
  markScanInMap(rc, currentMarkPose(rc));
}

void markScanInMap(RobotController& rc, const MarkPose& pose) {
  if (!rc.laserValid) return;
  const LaserScanView scan = laserScan(rc);
  const double heading = pose.headingRad;
  constexpr double kPi = std::numbers::pi;
  for (int i = 0; i < scan.count; ++i) {
    const double r = scan[i];
    // A forward-facing scanner: reading 0 on the robot's right, 180 straight
    // ahead, 360 on its left.
    const double psi = heading + i * kPi / 360.0 - kPi / 2.0;
    const float a = static_cast<float>(r * std::cos(psi) / 0.1);
    const float b = static_cast<float>(-r * std::sin(psi) / 0.1);
    const int row = pose.mapRow + truncCells(a);
    const int col = pose.mapCol + truncCells(b);
    if (insideGrid(row, col)) markObstacleCell(rc, gridIndex(row, col));
  }
}
