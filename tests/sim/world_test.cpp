#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "sim/laser_scan_writer.h"
#include "sim/nmea_emitter.h"
#include "sim/world_geometry.h"
#include "sim/world_map.h"

namespace {
// A 10 m x 6 m room centred on the origin.
const char* const kRoom =
    "2D-Map\n"
    "LineMinPos: -5000 -3000\n"
    "LineMaxPos: 5000 3000\n"
    "NumLines: 4\n"
    "Cairn: RobotHome 0 0 0 \"\" ICON \"home\"\n"
    "LINES\n"
    "-5000 -3000 5000 -3000\n"
    "5000 -3000 5000 3000\n"
    "5000 3000 -5000 3000\n"
    "-5000 3000 -5000 -3000\n"
    "DATA\n";
}  // namespace

TEST(WorldMap, ReadsWallsAndHome) {
  const MapParseResult r = parseWorldMap(kRoom);
  ASSERT_TRUE(r.map) << r.error;
  EXPECT_EQ(r.map->walls.size(), 4u);
  EXPECT_TRUE(r.map->hasHome);
  EXPECT_EQ(r.map->walls[1].x1, 5000);
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
      {"2D-Map\nNumLines: 2\nLINES\n0 0 1 1\nDATA\n",
       "linea 5: NumLines anuncia 2 paredes y hay 1"},
      {"2D-Map\nNumLines: dos\n", "linea 2: NumLines mal formado"},
      {"2D-Map\nLineMinPos: 0\n", "linea 2: posicion mal formada"},
      {"2D-Map\nhola mundo\n", "linea 2: linea no reconocida"},
  };
  for (const Case& c : cases) {
    const MapParseResult r = parseWorldMap(c.text);
    EXPECT_FALSE(r.map) << c.text;
    EXPECT_EQ(r.error, c.error) << c.text;
  }
}

TEST(SimLaser, ReadingsSeeTheWallsAheadAndAside) {
  const auto map = parseWorldMap(kRoom).map;
  ASSERT_TRUE(map);
  // 1 m in front of the east wall, facing it.
  const auto ranges = castScan(map->walls, 4000, 0, 0, LaserSettings{}, nullptr);
  ASSERT_EQ(ranges.size(), 361u);
  EXPECT_EQ(ranges[180], 100);
  EXPECT_EQ(ranges[0], 300);    // right: the south wall, 3 m away
  EXPECT_EQ(ranges[360], 300);  // left: the north wall
  // Facing north, straight ahead is the north wall.
  EXPECT_EQ(castScan(map->walls, 0, 1000, 90, LaserSettings{}, nullptr)[180], 200);
  // No walls: every reading is the maximum range.
  for (int r : castScan({}, 0, 0, 0, LaserSettings{}, nullptr)) ASSERT_EQ(r, 5000);
}

TEST(SimGps, SentencesCarryTheirChecksumAndPosition) {
  FixReport fix;
  fix.utcSeconds = 12 * 3600 + 34 * 60 + 56.5;
  fix.position = {-33.5, -70.75};
  fix.altitudeM = 520.4;
  const std::string gga = formatGga(fix);
  EXPECT_EQ(gga.substr(0, gga.find('*')),
            "$GPGGA,123456.50,3330.00000,S,07045.00000,W,1,08,0.9,520.4,M,0.0,M,,");
  const std::size_t star = gga.find('*');
  EXPECT_EQ(gga.substr(star + 1), nmeaChecksum(gga.substr(1, star - 1)) + "\r\n");
  EXPECT_NE(corruptSentence(gga), gga);
  EXPECT_EQ(formatRmc(fix).substr(0, 7), "$GPRMC,");
  EXPECT_EQ(formatGsa(fix).substr(0, 7), "$GPGSA,");
  // 1 km north and 1 km east of the origin.
  const GeoOrigin origin;
  const GeoPoint p = offsetFromOrigin(origin, 1e6, 1e6);
  EXPECT_NEAR((p.latDeg - origin.latDeg) * 60 * 1852, 1000, 10);
  EXPECT_NEAR((p.lonDeg - origin.lonDeg) * 60 * 1852 * std::cos(origin.latDeg * M_PI / 180), 1000,
              10);
}

TEST(WorldMap, TheShippedRoomIsReadable) {
  const MapParseResult r = loadWorldMap(std::string(TORVA_SOURCE_DIR) + "/sim/worlds/room.map");
  ASSERT_TRUE(r.map) << r.error;
  EXPECT_EQ(r.map->walls.size(), 17u);
  // The sample route's square (x 0..4 m, y -3..0 m) is clear of every wall.
  for (double x = -500; x <= 4500; x += 100) {
    for (double y = -3500; y <= 500; y += 100) {
      ASSERT_GT(nearestWallDistance(r.map->walls, x, y), 400) << x << "," << y;
    }
  }
}
