#pragma once
// Distances in the simulated world, all in millimetres.
#include <vector>

#include "sim/world_map.h"

// Distance along the ray from (x, y) at angle (radians) to the nearest wall;
// negative when no wall is met within maxRange.
double rayDistance(const std::vector<Wall>& walls, double x, double y, double angle,
                   double maxRange);

// Distance from (x, y) to the nearest point of any wall (a large number when
// there are no walls).
double nearestWallDistance(const std::vector<Wall>& walls, double x, double y);
