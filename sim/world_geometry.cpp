#include "sim/world_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

double rayDistance(const std::vector<Wall>& walls, double x, double y, double angle,
                   double maxRange) {
  const double dx = std::cos(angle);
  const double dy = std::sin(angle);
  double best = maxRange;
  bool hit = false;
  for (const Wall& w : walls) {
    const double ex = w.x2 - w.x1;
    const double ey = w.y2 - w.y1;
    const double denom = dx * ey - dy * ex;
    if (std::abs(denom) < 1e-12) continue;  // parallel
    const double qx = w.x1 - x;
    const double qy = w.y1 - y;
    const double t = (qx * ey - qy * ex) / denom;  // along the ray
    const double u = (qx * dy - qy * dx) / denom;  // along the wall
    if (t >= 0 && u >= 0 && u <= 1 && t <= best) {
      best = t;
      hit = true;
    }
  }
  return hit ? best : -1;
}

double nearestWallDistance(const std::vector<Wall>& walls, double x, double y) {
  double best = std::numeric_limits<double>::max();
  for (const Wall& w : walls) {
    const double ex = w.x2 - w.x1;
    const double ey = w.y2 - w.y1;
    const double len2 = ex * ex + ey * ey;
    double t = len2 > 0 ? ((x - w.x1) * ex + (y - w.y1) * ey) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    best = std::min(best, std::hypot(x - (w.x1 + t * ex), y - (w.y1 + t * ey)));
  }
  return best;
}
