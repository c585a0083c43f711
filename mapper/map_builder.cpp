#include "mapper/map_builder.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "laser/map_grid.h"
#include "state/robot_controller.h"

namespace {
// One station-sized piece of the larger grid: its first row and column there.
struct Tile {
  int row0 = 0;
  int col0 = 0;
  std::unique_ptr<RobotController> rc;
};

// Loads a recorded scan into a record's laser fields, as the reader leaves them.
void takeScan(RobotController& rc, const LaserRecord& scan, LaserBuffer* buffer) {
  for (std::size_t i = 0; i < scan.ranges.size(); ++i) buffer->values[i] = scan.ranges[i];
  rc.laserRanges.store(buffer);
  rc.laserLastIndex = static_cast<int>(scan.ranges.size()) - 1;
  rc.laserValid = true;
}

// Cells a scan can reach from its robot's cell, either way (a reading marks
// at most its range's cells away, plus the cut toward zero).
long reachCells(const LaserRecord& scan) {
  float longest = 0;
  for (float r : scan.ranges) longest = std::max(longest, std::abs(r));
  return static_cast<long>(std::min(1.0e6f, longest / 0.1f)) + 2;
}
}  // namespace

MapGrids buildMapGrids(const std::vector<LaserRecord>& scans, int size) {
  MapGrids grids;
  grids.size = std::max(size, kGridSize);
  const int n = grids.size;
  // Station cell (row, col) is cell (row + shift, col + shift) here.
  const int shift = n / 2 - kStartCell;
  const int tilesPerSide = (n + kGridSize - 1) / kGridSize;

  std::size_t capacity = 1;
  for (const LaserRecord& scan : scans) capacity = std::max(capacity, scan.ranges.size());

  std::vector<Tile> tiles;
  for (int i = 0; i < tilesPerSide; ++i) {
    for (int j = 0; j < tilesPerSide; ++j) {
      Tile t;
      t.row0 = i * kGridSize;
      t.col0 = j * kGridSize;
      t.rc = std::make_unique<RobotController>();
      tiles.push_back(std::move(t));
    }
  }
  std::vector<LaserBuffer*> buffers;
  for (Tile& t : tiles) buffers.push_back(t.rc->newLaserBuffer(static_cast<int>(capacity)));

  grids.track.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0);
  const auto markTrack = [&](long row, long col) {
    if (row >= 0 && row < n && col >= 0 && col < n) {
      grids.track[static_cast<std::size_t>(row * n + col)] = 1;
    }
  };
  markTrack(kStartCell + shift, kStartCell + shift);

  for (const LaserRecord& scan : scans) {
    const long row = static_cast<long>(scan.mapRow) + shift;
    const long col = static_cast<long>(scan.mapCol) + shift;
    markTrack(row, col);
    const long reach = reachCells(scan);
    for (std::size_t k = 0; k < tiles.size(); ++k) {
      Tile& t = tiles[k];
      // Only the pieces the scan can reach.
      if (row + reach < t.row0 || row - reach >= t.row0 + kGridSize || col + reach < t.col0 ||
          col - reach >= t.col0 + kGridSize) {
        continue;
      }
      takeScan(*t.rc, scan, buffers[k]);
      MarkPose pose;
      pose.mapRow = static_cast<int>(row - t.row0);
      pose.mapCol = static_cast<int>(col - t.col0);
      pose.headingRad = scan.headingRad;
      markScanInMap(*t.rc, pose);
    }
  }

  grids.obstacles.assign(grids.track.size(), 0);
  for (const Tile& t : tiles) {
    for (int r = 0; r < kGridSize && t.row0 + r < n; ++r) {
      for (int c = 0; c < kGridSize && t.col0 + c < n; ++c) {
        if (t.rc->obstacleGrid[static_cast<std::size_t>(gridIndex(r, c))] != 0) {
          grids.obstacles[static_cast<std::size_t>(t.row0 + r) * static_cast<std::size_t>(n) +
                          static_cast<std::size_t>(t.col0 + c)] = 1;
        }
      }
    }
  }
  return grids;
}
