#pragma once
// The simulated GPS receiver's sentences: the robot's world position (x east,
// y north, mm) placed around a geographic origin and written as NMEA 0183 GGA,
// RMC and GSA sentences with their checksums.
#include <string>

struct GeoOrigin {
  // Default: the southern hemisphere near 70 degrees west, inside UTM zone 19.
  double latDeg = -33.4500;
  double lonDeg = -70.6500;
  double altitudeM = 520.0;
};

struct GeoPoint {
  double latDeg;
  double lonDeg;
};

// Position of a point east and north of the origin (on the International 1924
// ellipsoid, the station's own).
GeoPoint offsetFromOrigin(const GeoOrigin& origin, double eastMm, double northMm);

// "XX" checksum of a sentence body (the characters between '$' and '*').
std::string nmeaChecksum(const std::string& body);

struct FixReport {
  double utcSeconds = 0;  // seconds since midnight UTC
  GeoPoint position{0, 0};
  double altitudeM = 0;
  int fixQuality = 1;
  int satellites = 8;
  double hdop = 0.9;
  double speedKnots = 0;
  double courseDeg = 0;
  int day = 10, month = 12, year = 26;
};

// Complete sentences, "$...*hh\r\n".
std::string formatGga(const FixReport& fix);
std::string formatRmc(const FixReport& fix);
std::string formatGsa(const FixReport& fix);

// Breaks a sentence's checksum (for tests of the receiving side): the body's
// last character before '*' is changed.
std::string corruptSentence(std::string sentence);
