#include "sim/nmea_emitter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {
constexpr double kA = 6378388.0;         // International 1924 semi-major axis, m
constexpr double kF = 1.0 / 297.0;       // flattening
constexpr double kE2 = kF * (2.0 - kF);  // first eccentricity squared

std::string sentence(const std::string& body) {
  return "$" + body + "*" + nmeaChecksum(body) + "\r\n";
}

// ddmm.mmmmmm or dddmm.mmmmmm and the hemisphere letter: the fixed widths
// that receivers send and that readers decoding by position rely on.
std::string angleField(double degrees, int degreeDigits, char positive, char negative) {
  const char hemisphere = degrees < 0 ? negative : positive;
  double a = std::abs(degrees);
  int whole = static_cast<int>(a);
  double minutes = (a - whole) * 60.0;
  if (minutes >= 59.9999995) {  // would print as 60.000000
    minutes = 0;
    ++whole;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%0*d%09.6f,%c", degreeDigits, whole, minutes, hemisphere);
  return buf;
}

std::string timeField(double utcSeconds) {
  const double s = std::fmod(std::max(utcSeconds, 0.0), 86400.0);
  const int hh = static_cast<int>(s / 3600);
  const int mm = static_cast<int>(std::fmod(s, 3600.0) / 60);
  const double ss = std::fmod(s, 60.0);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%02d%05.2f", hh, mm, std::floor(ss * 100) / 100);
  return buf;
}
}  // namespace

GeoPoint offsetFromOrigin(const GeoOrigin& origin, double eastMm, double northMm) {
  const double phi = origin.latDeg * std::numbers::pi / 180;
  const double s = std::sin(phi);
  const double w = 1 - kE2 * s * s;
  const double meridian = kA * (1 - kE2) / (w * std::sqrt(w));  // radius north-south
  const double normal = kA / std::sqrt(w);                      // radius east-west
  const double dLat = northMm / 1000.0 / meridian;
  const double dLon = eastMm / 1000.0 / (normal * std::cos(phi));
  return {origin.latDeg + dLat * 180 / std::numbers::pi,
          origin.lonDeg + dLon * 180 / std::numbers::pi};
}

std::string nmeaChecksum(const std::string& body) {
  unsigned char sum = 0;
  for (const char c : body) sum ^= static_cast<unsigned char>(c);
  char buf[4];
  std::snprintf(buf, sizeof buf, "%02X", sum);
  return buf;
}

std::string formatGga(const FixReport& fix) {
  char tail[96];
  std::snprintf(tail, sizeof tail, ",%d,%02d,%.1f,%.1f,M,0.0,M,,", fix.fixQuality, fix.satellites,
                fix.hdop, fix.altitudeM);
  return sentence("GPGGA," + timeField(fix.utcSeconds) + "," +
                  angleField(fix.position.latDeg, 2, 'N', 'S') + "," +
                  angleField(fix.position.lonDeg, 3, 'E', 'W') + tail);
}

std::string formatRmc(const FixReport& fix) {
  char tail[96];
  std::snprintf(tail, sizeof tail, ",%.1f,%.1f,%02d%02d%02d,,,A", fix.speedKnots, fix.courseDeg,
                fix.day, fix.month, fix.year);
  return sentence("GPRMC," + timeField(fix.utcSeconds) + "," + (fix.fixQuality > 0 ? "A" : "V") +
                  "," + angleField(fix.position.latDeg, 2, 'N', 'S') + "," +
                  angleField(fix.position.lonDeg, 3, 'E', 'W') + tail);
}

std::string formatGsa(const FixReport& fix) {
  char body[96];
  std::snprintf(body, sizeof body, "GPGSA,A,%d,04,07,09,12,16,21,26,29,,,,,1.6,%.1f,1.3",
                fix.fixQuality > 0 ? 3 : 1, fix.hdop);
  return sentence(body);
}

std::string corruptSentence(std::string s) {
  const std::size_t star = s.find('*');
  if (star != std::string::npos && star > 1) s[star - 1] = s[star - 1] == '0' ? '1' : '0';
  return s;
}
