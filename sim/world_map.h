#pragma once
// The simulated world: walls as line segments in millimetres, read from the
// line-map text format that robot simulators of this protocol commonly use:
//   2D-Map
//   LineMinPos: x y
//   LineMaxPos: x y
//   NumLines: n
//   Cairn: RobotHome x y th ...      (optional)
//   LINES
//   x1 y1 x2 y2                       (one wall a line)
//   DATA
// Other header lines (MinPos, MaxPos, NumPoints, Resolution, other cairns) and
// the points after DATA are accepted and not used.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Wall {
  double x1, y1, x2, y2;  // mm
};

struct WorldMap {
  std::vector<Wall> walls;
  bool hasHome = false;
  double homeX = 0, homeY = 0, homeTh = 0;  // mm, mm, degrees
};

struct MapParseResult {
  std::optional<WorldMap> map;
  std::string error;  // "linea N: ..." when map is empty
};

MapParseResult parseWorldMap(std::string_view text);
MapParseResult loadWorldMap(const std::string& path);
