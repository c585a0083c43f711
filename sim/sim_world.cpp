#include "sim/sim_world.h"

#include <memory>
#include <numbers>

#include "sim/default_world.h"
#include "sim/world_geometry.h"

bool loadSimWorld(const std::string& path, WorldMap& map, std::string& error) {
  const MapParseResult r = path.empty() ? parseWorldMap(defaultWorldMapText()) : loadWorldMap(path);
  if (!r.map) {
    error = (path.empty() ? std::string("mapa por defecto") : path) + ": " + r.error;
    return false;
  }
  map = *r.map;
  return true;
}

bool placeRobotInWorld(SimRobot& robot, const WorldMap& map, double radiusMm) {
  robot.placeAt({map.homeX, map.homeY, simNormalizeRad(map.homeTh * std::numbers::pi / 180)});
  auto walls = std::make_shared<const std::vector<Wall>>(map.walls);
  robot.setBody(radiusMm,
                [walls](double x, double y) { return nearestWallDistance(*walls, x, y); });
  return nearestWallDistance(map.walls, map.homeX, map.homeY) >= radiusMm;
}
