#pragma once
// The 128 x 128 texture of the map cells around the robot, refilled from the
// station record's grids for every drawn frame and uploaded when it changed.
#include <array>
#include <cstdint>

#include "state/robot_controller.h"

inline constexpr int kMapTextureSize = 128;
using MapTexels = std::array<std::uint8_t, kMapTextureSize * kMapTextureSize * 4>;

// Seen from above: texture column c (left to right) shows grid row
// mapRow - 64 + c, so odometry X grows to the right; texture row r (bottom to
// top) shows grid column mapCol + 64 - r, so odometry Y grows upward. The
// robot's cell is texel (64, 64). Start cell green, laser hits orange, black
// elsewhere and outside the grid; alpha 255.
void fillMapTexels(const RobotController& rc, MapTexels& texels);

// What decides the texels: the record, the robot's cell and how many obstacle
// cells are marked (the track grid does not change once the record is made).
// Equal keys give equal texels, so a reader refills only when its key changes.
struct MapViewKey {
  std::uint64_t serial = 0;
  int row = 0;
  int col = 0;
  std::uint32_t marks = 0;
  bool operator==(const MapViewKey&) const = default;
};
MapViewKey mapViewKey(const RobotController& rc);
// The texels for the view the key names.
void fillMapTexels(const RobotController& rc, const MapViewKey& key, MapTexels& texels);

// Refills the texels when the view's key changed and uploads them when they
// differ from the texture's
// (created on first use, clamped, nearest), and leaves it bound with 2D
// texturing on in decal mode. Main thread, with
// the station window's context current.
void buildMapTexture(const RobotController& rc);

// The map texture's name (0 before the first build).
unsigned int mapTextureName();

// Forgets the texture; called while its context is still current.
void deleteMapTexture();
