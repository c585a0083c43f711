#pragma once
// Latitude and longitude to UTM easting and northing on the International 1924
// ellipsoid, by the Coticchia-Surace series, in the zone of the station's site
// (central meridian 69 W, zone 19). The station's maps and recorded runs use
// these numbers, constants included (pi taken as 3.1416, which moves results by
// up to about 20 m against exact transverse Mercator; steps between nearby
// fixes are unaffected). The southern false northing is always added.
#include "gps/gga_sentence.h"

struct UtmPoint {
  double x = 0;  // easting, metres
  double y = 0;  // northing, metres
};

// North and east count positive, south and west negative.
UtmPoint projectGeoToUtm(const GeoAngle& latitude, const GeoAngle& longitude);
