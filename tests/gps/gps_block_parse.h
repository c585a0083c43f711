#pragma once
// Reads back the status blocks the GPS thread prints on the console.
#include <cstdio>
#include <string>
#include <vector>

struct PrintedBlock {
  int latDegrees = 0;
  double latMinutes = 0;
  char latHemisphere = 0;
  int lonDegrees = 0;
  double lonMinutes = 0;
  char lonHemisphere = 0;
  int altitude = 0;
  int hours = 0, minutes = 0, seconds = 0;
  double utmX = 0, utmY = 0;
  double relX = 0, relY = 0;
  double stepX = 0, stepY = 0, stepLength = 0;
  int byteIndex = -1;
  int ggaCount = 0;
  bool complete = false;
};

inline const std::string kClear = "\x1b[H\x1b[2J";

// Every block printed after a console clear, in order.
inline std::vector<PrintedBlock> printedBlocks(const std::string& text) {
  std::vector<PrintedBlock> blocks;
  for (std::size_t at = text.find(kClear); at != std::string::npos;) {
    const std::size_t start = at + kClear.size();
    const std::size_t next = text.find(kClear, start);
    const std::string body = text.substr(start, next == std::string::npos ? next : next - start);
    PrintedBlock b;
    const int n = std::sscanf(
        body.c_str(),
        "Latitud: %d g %lf m %c\nLongitud: %d g %lf m %c\nAltitud: %d\nTiempo: %d h %d m %d s\n\n"
        "UTM: (%lf,%lf)\n\nPosicion: (%lf,%lf)\nDesplazamiento en X:%lf metros\n"
        "Desplazamiento en Y:%lf metros\nDesplazamiento total:%lf metros\n\n"
        "%d iteraciones y %d lineas \n",
        &b.latDegrees, &b.latMinutes, &b.latHemisphere, &b.lonDegrees, &b.lonMinutes,
        &b.lonHemisphere, &b.altitude, &b.hours, &b.minutes, &b.seconds, &b.utmX, &b.utmY, &b.relX,
        &b.relY, &b.stepX, &b.stepY, &b.stepLength, &b.byteIndex, &b.ggaCount);
    b.complete = n == 19;
    blocks.push_back(b);
    at = next;
  }
  return blocks;
}
