// The simulator's line-map reader on arbitrary text, and a laser scan and a
// body step in whatever world it accepts.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sim/laser_scan_writer.h"
#include "sim/sim_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const MapParseResult r = parseWorldMap(text);
  if (!r.map || r.map->walls.size() > 64) return 0;
  castScan(r.map->walls, r.map->homeX, r.map->homeY, r.map->homeTh, LaserSettings{}, nullptr);
  SimRobot robot;
  placeRobotInWorld(robot, *r.map, 260);
  robot.enableMotors(true);
  robot.setWheelVels(800, 700);
  for (int i = 0; i < 20; ++i) robot.step(0.1);
  const SimPose p = robot.truePose();
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.th)) __builtin_trap();
  return 0;
}
