// The map texture and the map view: texels read back from the texture and
// from the screen, with laser hits marked by the laser thread's own marking,
// seen from above (odometry X to the right, Y up, the robot's cell at texel
// (64, 64)).
#include "dashboard/map_view.h"

#include <climits>
#include <numbers>

#include "dashboard/map_texture.h"
#include "dashboard_scene.h"
#include "laser/map_grid.h"

namespace {

constexpr double kCx = -0.07, kCy = -3.85, kHalf = 2.6;

struct Texel {
  int c, r;  // column from the left, row from the bottom
};

Colour texelOf(const MapTexels& texels, Texel t) {
  const std::size_t at = (static_cast<std::size_t>(t.r) * 128 + t.c) * 4;
  EXPECT_EQ(texels[at + 3], 255);
  return Colour{texels[at], texels[at + 1], texels[at + 2]};
}

bool same(Colour a, Colour b) {
  return a.r == b.r && a.g == b.g && a.b == b.b;
}

class MapViewTest : public DashboardSceneTest {
 protected:
  // Scene point at the middle of texel t of the map square.
  static std::pair<double, double> texelPoint(Texel t) {
    return {kCx - kHalf + (t.c + 0.5) * 2 * kHalf / 128,
            kCy - kHalf + (t.r + 0.5) * 2 * kHalf / 128};
  }
  static bool texelShows(const Frame& frame, Texel t, Colour c) {
    auto [x, y] = texelPoint(t);
    return colourAt(frame, x, y, c, 0);
  }
  // One reading marked from the robot's pose; every other reading too long
  // to land in the grid.
  void markOneReading(int index, float metres) {
    std::vector<float> scan(361, 1000.0f);
    scan[static_cast<std::size_t>(index)] = metres;
    setScan(scan);
    markScanInMap(*rc, MarkPose{rc->mapRow, rc->mapCol, rc->headingRad});
  }
};

TEST_F(MapViewTest, CellsMapToTexelsSeenFromAbove) {
  struct Case {
    int mapRow, mapCol;
    int cellRow, cellCol;  // a cell to mark in the obstacle grid
    Texel expected;
  };
  const Case cases[] = {
      {250, 250, 250, 250, {64, 64}},  // the robot's own cell (start cell wins: green)
      {250, 250, 255, 250, {69, 64}},  // 5 rows on: right
      {250, 250, 250, 245, {64, 69}},  // 5 columns back (odometry +Y): up
      {250, 250, 186, 313, {0, 1}},    // near the lower left corner
      {250, 250, 313, 187, {127, 127}},
      {10, 10, 0, 0, {54, 74}},  // the grid's corner cell near the robot
      {490, 3, 499, 0, {73, 67}},
  };
  MapTexels texels;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "robot " << c.mapRow << "," << c.mapCol << " cell "
                                    << c.cellRow << "," << c.cellCol);
    rc = std::make_unique<RobotController>();
    rc->mapRow = c.mapRow;
    rc->mapCol = c.mapCol;
    markObstacleCell(*rc, gridIndex(c.cellRow, c.cellCol));
    fillMapTexels(*rc, texels);
    const bool startCell = c.cellRow == kStartCell && c.cellCol == kStartCell;
    EXPECT_TRUE(same(texelOf(texels, c.expected), startCell ? kTexelGreen : kTexelOrange));
    int orange = 0, green = 0;
    for (int r = 0; r < 128; ++r) {
      for (int col = 0; col < 128; ++col) {
        const Colour t = texelOf(texels, {col, r});
        orange += same(t, kTexelOrange);
        green += same(t, kTexelGreen);
        if (!same(t, kTexelOrange) && !same(t, kTexelGreen)) {
          EXPECT_TRUE(same(t, kTexelBlack));
        }
      }
    }
    EXPECT_EQ(orange, startCell ? 0 : 1);
    // The start cell shows only while it lies in the window.
    const bool startInView = std::abs(c.mapRow - 250) <= 64 && std::abs(c.mapCol - 250) <= 64;
    EXPECT_EQ(green, startInView ? 1 : 0);
  }
}

TEST_F(MapViewTest, CellsOutsideTheGridAreBlackWhereverTheRobotIs) {
  // Every cell marked; the window hangs over the grid's edge or lies wholly
  // outside it.
  for (int i = 0; i < kGridCells; ++i) markObstacleCell(*rc, i);
  struct Case {
    int mapRow, mapCol;
    int blackColumns, blackRows;  // texel columns at the left, rows at the top
  };
  const Case cases[] = {
      {10, 250, 54, 0},  // rows below 0 on the left
      {250, 10, 0, 53},  // columns below 0 at the top
      {250, 480, 0, 0},  // columns past 499 at the bottom: checked below
      {INT_MAX, INT_MIN, 128, 128},
      {100000, 250, 128, 128},
  };
  MapTexels texels;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mapRow << "," << c.mapCol);
    rc->mapRow = c.mapRow;
    rc->mapCol = c.mapCol;
    fillMapTexels(*rc, texels);
    for (int r = 0; r < 128; ++r) {
      for (int col = 0; col < 128; ++col) {
        const long row = static_cast<long>(c.mapRow) - 64 + col;
        const long gcol = static_cast<long>(c.mapCol) + 64 - r;
        const bool inside = row >= 0 && row < 500 && gcol >= 0 && gcol < 500;
        const Colour t = texelOf(texels, {col, r});
        if (!inside) {
          ASSERT_TRUE(same(t, kTexelBlack)) << col << "," << r;
        } else {
          ASSERT_FALSE(same(t, kTexelBlack)) << col << "," << r;
        }
      }
    }
    if (c.blackColumns > 0 && c.blackColumns < 128) {
      EXPECT_TRUE(same(texelOf(texels, {c.blackColumns - 1, 64}), kTexelBlack));
      EXPECT_FALSE(same(texelOf(texels, {c.blackColumns, 64}), kTexelBlack));
    }
    if (c.blackRows > 0 && c.blackRows < 128) {
      EXPECT_TRUE(same(texelOf(texels, {64, 127 - (c.blackRows - 1)}), kTexelBlack));
      EXPECT_FALSE(same(texelOf(texels, {64, 127 - c.blackRows}), kTexelBlack));
    }
  }
}

TEST_F(MapViewTest, TextureIsUploadedClampedNearestDecal) {
  emptyScene();
  markObstacleCell(*rc, gridIndex(251, 250));
  buildMapTexture(*rc);
  const unsigned int name = mapTextureName();
  ASSERT_NE(name, 0u);
  for (unsigned int slot : textureNames) EXPECT_NE(name, slot);
  GLint bound = 0, value = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<unsigned int>(bound), name);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
  EXPECT_EQ(value, GL_DECAL);
  for (GLenum p : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) {
    glGetTexParameteriv(GL_TEXTURE_2D, p, &value);
    EXPECT_EQ(value, GL_NEAREST);
  }
  for (GLenum p : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
    glGetTexParameteriv(GL_TEXTURE_2D, p, &value);
    EXPECT_EQ(value, GL_CLAMP);
  }
  MapTexels uploaded{}, filled{};
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded.data());
  fillMapTexels(*rc, filled);
  EXPECT_TRUE(uploaded == filled);
  EXPECT_TRUE(same(texelOf(uploaded, {65, 64}), kTexelOrange));

  // The same texture is refilled by later frames: a new hit, then the robot
  // moved a cell on (the hits move with the view).
  markObstacleCell(*rc, gridIndex(252, 250));
  buildMapTexture(*rc);
  EXPECT_EQ(mapTextureName(), name);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded.data());
  EXPECT_TRUE(same(texelOf(uploaded, {66, 64}), kTexelOrange));
  rc->mapRow = 251;
  buildMapTexture(*rc);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, uploaded.data());
  EXPECT_TRUE(same(texelOf(uploaded, {64, 64}), kTexelOrange));
  EXPECT_TRUE(same(texelOf(uploaded, {65, 64}), kTexelOrange));
  EXPECT_TRUE(same(texelOf(uploaded, {66, 64}), kTexelBlack));
}

TEST_F(MapViewTest, LaserHitsShowAroundTheRobotOnScreen) {
  const float pi = std::numbers::pi_v<float>;
  struct Case {
    const char* name;
    float heading;
    int reading;  // 0 right, 180 ahead, 360 left
    Texel expected;
  };
  const Case cases[] = {
      {"ahead at heading 0", 0, 180, {74, 64}},    {"left at heading 0", 0, 360, {64, 74}},
      {"right at heading 0", 0, 0, {64, 54}},      {"ahead at heading 90", pi / 2, 180, {64, 74}},
      {"ahead at heading 180", pi, 180, {54, 64}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rc = std::make_unique<RobotController>();
    rc->headingRad = c.heading;
    markOneReading(c.reading, 1.0f);
    const Frame frame = drawFrame();
    EXPECT_TRUE(texelShows(frame, {64, 64}, kTexelGreen));
    EXPECT_TRUE(texelShows(frame, c.expected, kTexelOrange));
    int orange = 0;
    for (Texel t : {Texel{74, 64}, {54, 64}, {64, 74}, {64, 54}}) {
      orange += texelShows(frame, t, kTexelOrange);
    }
    EXPECT_EQ(orange, 1);
  }
}

TEST_F(MapViewTest, ViewFollowsTheRobotsCell) {
  // After 1 m along odometry X the start cell lies 10 texels left of the
  // robot; after 1 m along +Y, 10 texels below.
  struct Case {
    int mapRow, mapCol;
    Texel start;
  };
  for (const Case& c :
       {Case{260, 250, {54, 64}}, Case{250, 240, {64, 54}}, Case{240, 262, {74, 76}}}) {
    SCOPED_TRACE(testing::Message() << c.mapRow << "," << c.mapCol);
    rc->mapRow = c.mapRow;
    rc->mapCol = c.mapCol;
    const Frame frame = drawFrame();
    EXPECT_TRUE(texelShows(frame, c.start, kTexelGreen));
    EXPECT_TRUE(texelShows(frame, {64, 64}, kTexelBlack));
  }
  // The frame lies over the map's edge.
  const Frame frame = drawFrame();
  EXPECT_TRUE(colourNear(frame, kCx - kHalf, kCy, kSeenBlue, 1));
  EXPECT_TRUE(colourNear(frame, kCx, kCy + kHalf, kSeenBlue, 1));
}

}  // namespace
