// The simulator's world: line-map files, good and malformed, and the room that
// torva-sim carries inside it.
#include "sim/world_map.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "sim/default_world.h"
#include "sim/laser_scan_writer.h"
#include "sim/world_geometry.h"
#include "tests/support/file_text.h"

TEST(WorldMap, ReadsAMapAsEditorsSaveIt) {
  const MapParseResult r = loadWorldMap(TORVA_TEST_DATA "/sim/office.map");
  ASSERT_TRUE(r.map) << r.error;
  ASSERT_EQ(r.map->walls.size(), 5u);
  EXPECT_EQ(r.map->walls[4].x1, 8000);
  EXPECT_EQ(r.map->walls[4].y1, 1200);
  EXPECT_EQ(r.map->walls[4].y2, 2500);
  // The robot's home, not the first cairn.
  EXPECT_TRUE(r.map->hasHome);
  EXPECT_EQ(r.map->homeX, 500);
  EXPECT_EQ(r.map->homeY, 250.5);
  EXPECT_EQ(r.map->homeTh, -90);
}

TEST(WorldMap, AcceptsTheLayoutsOfTheFormat) {
  struct Case {
    const char* text;
    std::size_t walls;
    bool hasHome;
  };
  const Case cases[] = {
      // Windows line ends, no home, no DATA at the end.
      {"2D-Map\r\nNumLines: 1\r\nLINES\r\n0 0 1000 0\r\n", 1, false},
      // The points before the walls.
      {"2D-Map\nNumLines: 1\nDATA\n5 5\nLINES\n0 0 1000 0\n", 1, false},
      // No NumLines: the walls are counted as they come; signs and decimals.
      {"2D-Map\nCairn: RobotHome -1.5 +2 45\nLINES\n-1 -2 +3 4.5\n10 10 20 20\nDATA\n", 2, true},
  };
  for (const Case& c : cases) {
    const MapParseResult r = parseWorldMap(c.text);
    ASSERT_TRUE(r.map) << c.text << r.error;
    EXPECT_EQ(r.map->walls.size(), c.walls) << c.text;
    EXPECT_EQ(r.map->hasHome, c.hasHome) << c.text;
  }
}

TEST(WorldMap, MalformedFilesNameTheirLine) {
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"", "linea 1: archivo vacio"},
      {"3D-Map\n", "linea 1: se esperaba \"2D-Map\""},
      {"2D-Map\nNumLines: 1\nLINES\n0 0 1\nDATA\n", "linea 4: pared mal formada"},
      {"2D-Map\nNumLines: 1\nLINES\n0 0 1 x\nDATA\n", "linea 4: pared mal formada"},
      {"2D-Map\nNumLines: 1\nLINES\n0 0 1 1 5\nDATA\n", "linea 4: pared mal formada"},
      {"2D-Map\nNumLines: 1\nLINES\n0 0 nan 1\nDATA\n", "linea 4: pared mal formada"},
      {"2D-Map\nNumLines: 2\nLINES\n0 0 1 1\nDATA\n",
       "linea 5: NumLines anuncia 2 paredes y hay 1"},
      {"2D-Map\nNumLines: 3\nLINES\n0 0 1 1\n", "linea 4: NumLines anuncia 3 paredes y hay 1"},
      {"2D-Map\nNumLines: dos\n", "linea 2: NumLines mal formado"},
      {"2D-Map\nNumLines: -1\n", "linea 2: NumLines mal formado"},
      {"2D-Map\nLineMinPos: 0\n", "linea 2: posicion mal formada"},
      {"2D-Map\nCairn: RobotHome 1 2\n", "linea 2: RobotHome mal formado"},
      {"2D-Map\nhola mundo\n", "linea 2: linea no reconocida"},
  };
  for (const Case& c : cases) {
    const MapParseResult r = parseWorldMap(c.text);
    EXPECT_FALSE(r.map) << c.text;
    EXPECT_EQ(r.error, c.error) << c.text;
  }
  const MapParseResult file = loadWorldMap(TORVA_TEST_DATA "/sim/bad_wall.map");
  EXPECT_FALSE(file.map);
  EXPECT_EQ(file.error, "linea 7: pared mal formada");
  const MapParseResult missing = loadWorldMap(TORVA_TEST_DATA "/sim/no_such.map");
  EXPECT_FALSE(missing.map);
  EXPECT_NE(missing.error.find("no_such.map"), std::string::npos);
}

TEST(WorldMap, TheCompiledInRoomIsTheShippedFile) {
  const std::string shipped = fileText(TORVA_SOURCE_DIR "/sim/worlds/room.map");
  ASSERT_FALSE(shipped.empty());
  EXPECT_EQ(defaultWorldMapText(), shipped);
  const MapParseResult r = parseWorldMap(defaultWorldMapText());
  ASSERT_TRUE(r.map) << r.error;
  EXPECT_EQ(r.map->walls.size(), 20u);
  EXPECT_TRUE(r.map->hasHome);
  // The sample route's square (x 0..4 m, y -3..0 m) leaves room for the robot's
  // body and a wide turn along each of its sides.
  const double corners[][2] = {{0, 0}, {4000, 0}, {4000, -3000}, {0, -3000}, {0, 0}};
  for (int side = 0; side < 4; ++side) {
    for (double t = 0; t <= 1; t += 0.02) {
      const double x = corners[side][0] + t * (corners[side + 1][0] - corners[side][0]);
      const double y = corners[side][1] + t * (corners[side + 1][1] - corners[side][1]);
      ASSERT_GT(nearestWallDistance(r.map->walls, x, y), 600) << x << "," << y;
    }
  }
}

// A newcomer sees the room at once: from the start pose the laser, at the
// radar's 5 m range, meets several separate obstacles (runs of readings under
// 5 m split by readings beyond it or by a jump of more than half a metre).
TEST(WorldMap, TheStartPoseSeesSeveralObstaclesWithinFiveMetres) {
  const MapParseResult r = parseWorldMap(defaultWorldMapText());
  ASSERT_TRUE(r.map) << r.error;
  const std::vector<int> scan = castScan(r.map->walls, 0, 0, 0, LaserSettings{}, nullptr);
  int obstacles = 0, near = 0;
  bool inRun = false;
  for (std::size_t i = 0; i < scan.size(); ++i) {
    const bool seen = scan[i] < 500;
    if (seen) ++near;
    if (seen && (!inRun || std::abs(scan[i] - scan[i - 1]) > 50)) ++obstacles;
    inRun = seen;
  }
  EXPECT_GE(obstacles, 4) << near << " readings under 5 m";
  EXPECT_GE(near, 60);
}
