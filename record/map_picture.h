#pragma once
// The map as a picture: one pixel a cell, seen from above as the map view
// shows it (grid rows left to right, so odometry X grows to the right; grid
// columns top to bottom, so odometry Y grows upward), the robot's track
// green, laser hits orange, the rest black.
#include <cstdint>
#include <string>
#include <vector>

struct MapPicture {
  int size = 0;                   // pixels per side
  std::vector<std::uint8_t> rgb;  // size * size pixels, top row first
};

// Both grids: size * size bytes, cell (row, col) at row * size + col; non-zero
// marks a cell. The track wins over a hit in the same cell, as in the view.
MapPicture mapPicture(int size, const std::vector<std::uint8_t>& obstacles,
                      const std::vector<std::uint8_t>& track);

// The picture as a PNG file (8-bit RGB); false with a reason.
bool writePng(const std::string& path, const MapPicture& picture, std::string& error);

// The PNG file's bytes.
std::string encodePng(const MapPicture& picture);
