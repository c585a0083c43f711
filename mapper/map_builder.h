#pragma once
// The map of a recording, rebuilt with the station's own marking: each
// recorded scan marked from its recorded pose, as the station marked it. A
// grid larger than the station's (500 x 500 cells around the start) keeps the
// start at its centre and is covered by station-sized grids side by side,
// each marking the scan from the pose shifted by its place.
#include <cstdint>
#include <vector>

#include "record/recording_rows.h"

struct MapGrids {
  int size = 0;
  std::vector<std::uint8_t> obstacles;  // size * size, cell (row, col) at row * size + col
  std::vector<std::uint8_t> track;      // the start cell and the robot's cell at each scan
};

// size: cells per side, at least the station's 500.
MapGrids buildMapGrids(const std::vector<LaserRecord>& scans, int size);
