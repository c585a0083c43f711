#include "dashboard/map_texture.h"

#include <GL/gl.h>

namespace {

unsigned int mapTexture = 0;
MapTexels uploaded;  // what the texture holds

struct Texel {
  std::uint8_t r, g, b;
};
constexpr Texel kStartTexel{0, 255, 0};
constexpr Texel kHitTexel{255, 153, 0};
constexpr Texel kEmptyTexel{0, 0, 0};

Texel cellTexel(const RobotController& rc, int row, int col) {
  if (!insideGrid(row, col)) return kEmptyTexel;
  const auto cell = static_cast<std::size_t>(gridIndex(row, col));
  if (rc.trackGrid[cell] != 0) return kStartTexel;
  if (rc.obstacleGrid[cell] != 0) return kHitTexel;
  return kEmptyTexel;
}

}  // namespace

MapViewKey mapViewKey(const RobotController& rc) {
  MapViewKey key;
  key.serial = rc.serial;
  // The count first: the cells read after it hold at least that many marks.
  key.marks = rc.obstacleMarks.load(std::memory_order_acquire);
  key.row = rc.mapRow;
  key.col = rc.mapCol;
  return key;
}

void fillMapTexels(const RobotController& rc, MapTexels& texels) {
  fillMapTexels(rc, mapViewKey(rc), texels);
}

void fillMapTexels(const RobotController& rc, const MapViewKey& key, MapTexels& texels) {
  constexpr int kHalf = kMapTextureSize / 2;
  std::size_t at = 0;
  for (int r = 0; r < kMapTextureSize; ++r) {
    // Wide arithmetic: the robot's cell is not bounded.
    const std::int64_t col = std::int64_t{key.col} + kHalf - r;
    for (int c = 0; c < kMapTextureSize; ++c) {
      const std::int64_t row = std::int64_t{key.row} - kHalf + c;
      Texel t = kEmptyTexel;
      if (row >= 0 && row < kGridSize && col >= 0 && col < kGridSize) {
        t = cellTexel(rc, static_cast<int>(row), static_cast<int>(col));
      }
      texels[at++] = t.r;
      texels[at++] = t.g;
      texels[at++] = t.b;
      texels[at++] = 255;
    }
  }
}

void buildMapTexture(const RobotController& rc) {
  static MapTexels bits;  // main thread only
  static MapViewKey filled;
  const MapViewKey key = mapViewKey(rc);
  if (mapTexture == 0) {
    fillMapTexels(rc, key, bits);
    filled = key;
    glGenTextures(1, &mapTexture);
    glBindTexture(GL_TEXTURE_2D, mapTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kMapTextureSize, kMapTextureSize, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, bits.data());
    uploaded = bits;
  } else {
    glBindTexture(GL_TEXTURE_2D, mapTexture);
    // Most frames show the same cells: an upload makes a software renderer
    // wait for the last frame that sampled the texture.
    if (key != filled) {
      fillMapTexels(rc, key, bits);
      filled = key;
      if (bits != uploaded) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kMapTextureSize, kMapTextureSize, GL_RGBA,
                        GL_UNSIGNED_BYTE, bits.data());
        uploaded = bits;
      }
    }
  }
  glEnable(GL_TEXTURE_2D);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
}

unsigned int mapTextureName() {
  return mapTexture;
}

void deleteMapTexture() {
  if (mapTexture == 0) return;
  glDeleteTextures(1, &mapTexture);
  mapTexture = 0;
}
