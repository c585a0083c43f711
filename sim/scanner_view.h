#pragma once
// What a scanner at the robot's centre sees of the world: distances along
// rays at the scanner's own angles (0 on the robot's right, 90 straight
// ahead), as a real scanner measures them, before its protocol codes them.
#include <vector>

#include "sim/sim_robot.h"
#include "sim/world_map.h"

// Distances in mm for count rays from startDeg, stepDeg apart; negative where
// no wall lies within maxRangeMm.
std::vector<double> scannerDistancesMm(const std::vector<Wall>& walls, const SimPose& pose,
                                       double startDeg, double stepDeg, int count,
                                       double maxRangeMm);
