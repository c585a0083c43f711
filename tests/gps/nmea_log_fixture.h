#pragma once
// The receiver logs under tests/data/nmea and the table of GGA sentences
// beside each (PROJ's UTM zone 19 south values on the International ellipsoid).
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gps/gga_sentence.h"

struct GgaRow {
  std::string utc, lat, ns, lon, ew, alt;
  double easting = 0, northing = 0;
  int fixQuality = 0;
  bool checksumOk = false;
  double latDeg = 0, lonDeg = 0;
  bool hasPosition() const { return !lat.empty() && !lon.empty() && fixQuality != 0; }
};

inline std::string nmeaPath(const std::string& name) {
  return std::string(TORVA_TEST_DATA) + "/nmea/" + name;
}

inline std::vector<GgaRow> readGgaTable(const std::string& logName) {
  std::ifstream in(nmeaPath(logName.substr(0, logName.size() - 4) + ".utm19s-intl.tsv"));
  std::vector<GgaRow> rows;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::vector<std::string> cell;
    std::stringstream cells(line);
    for (std::string c; std::getline(cells, c, '\t');) cell.push_back(c);
    cell.resize(13);
    GgaRow r;
    r.utc = cell[0];
    r.lat = cell[1];
    r.ns = cell[2];
    r.lon = cell[3];
    r.ew = cell[4];
    r.alt = cell[5];
    r.easting = cell[6].empty() ? 0 : std::stod(cell[6]);
    r.northing = cell[7].empty() ? 0 : std::stod(cell[7]);
    r.fixQuality = cell[8].empty() ? 0 : std::stoi(cell[8]);
    r.checksumOk = cell[10] == "1";
    r.latDeg = cell[11].empty() ? 0 : std::stod(cell[11]);
    r.lonDeg = cell[12].empty() ? 0 : std::stod(cell[12]);
    rows.push_back(r);
  }
  return rows;
}

// Degrees and minutes of a row's position, with its hemisphere letters.
inline GeoAngle rowLatitude(const GgaRow& r) {
  const double a = std::fabs(r.latDeg);
  const int d = static_cast<int>(a);
  return {d, (a - d) * 60, r.ns.empty() ? 'N' : r.ns[0]};
}
inline GeoAngle rowLongitude(const GgaRow& r) {
  const double a = std::fabs(r.lonDeg);
  const int d = static_cast<int>(a);
  return {d, (a - d) * 60, r.ew.empty() ? 'E' : r.ew[0]};
}
