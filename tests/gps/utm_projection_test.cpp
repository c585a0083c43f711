// The station's UTM series against exact transverse Mercator (PROJ).
#include "gps/utm_projection.h"

#include <gtest/gtest.h>

#include "nmea_log_fixture.h"

namespace {

std::vector<GgaRow> hemiFixes() {
  std::vector<GgaRow> fixes;
  for (const GgaRow& r : readGgaTable("hemi.log")) {
    if (r.hasPosition()) fixes.push_back(r);
  }
  return fixes;
}

TEST(UtmProjection, AgreesWithProjInZone19InBothHemispheres) {
  const std::vector<GgaRow> fixes = hemiFixes();
  ASSERT_EQ(fixes.size(), 21u);
  for (const GgaRow& r : fixes) {
    const UtmPoint north = projectGeoToUtm(rowLatitude(r), rowLongitude(r));
    // The false northing is always added, as PROJ's +south gives it.
    EXPECT_NEAR(north.x, r.easting, 20) << r.utc;
    EXPECT_NEAR(north.y, r.northing, 20) << r.utc;

    // The same place mirrored south of the equator.
    GeoAngle south = rowLatitude(r);
    south.hemisphere = 'S';
    const UtmPoint mirrored = projectGeoToUtm(south, rowLongitude(r));
    EXPECT_NEAR(mirrored.x, r.easting, 20) << r.utc;
    EXPECT_NEAR(mirrored.y, 20000000 - r.northing, 20) << r.utc;
    EXPECT_NEAR(mirrored.y - 10000000, -(north.y - 10000000), 1e-6) << r.utc;
  }
}

TEST(UtmProjection, StepsBetweenFixesAgreeWithProjToACentimetre) {
  const std::vector<GgaRow> fixes = hemiFixes();
  for (std::size_t i = 1; i < fixes.size(); ++i) {
    const UtmPoint a = projectGeoToUtm(rowLatitude(fixes[0]), rowLongitude(fixes[0]));
    const UtmPoint b = projectGeoToUtm(rowLatitude(fixes[i]), rowLongitude(fixes[i]));
    EXPECT_NEAR(b.x - a.x, fixes[i].easting - fixes[0].easting, 0.01) << fixes[i].utc;
    EXPECT_NEAR(b.y - a.y, fixes[i].northing - fixes[0].northing, 0.01) << fixes[i].utc;
  }
}

TEST(UtmProjection, EastOfTheMeridianMirrorsWest) {
  // 69 W is the central meridian: a point 1 degree east of it and one 1 degree
  // west lie at the same northing, equally far either side of the false easting.
  const GeoAngle lat{33, 27.0, 'S'};
  const UtmPoint west = projectGeoToUtm(lat, {70, 0, 'W'});
  const UtmPoint east = projectGeoToUtm(lat, {68, 0, 'W'});
  EXPECT_NEAR(west.x - 500000, -(east.x - 500000), 1e-6);
  EXPECT_NEAR(west.y, east.y, 1e-6);
  // A longitude given as east is on the other side of Greenwich, far off the zone.
  const UtmPoint wrongSide = projectGeoToUtm(lat, {70, 0, 'E'});
  EXPECT_GT(std::fabs(wrongSide.x - west.x), 1e6);
}

}  // namespace
