#include "gps/gps_status_block.h"

#include <cstdio>
#include <string>

#include "platform/console_print.h"

namespace {

void append(std::string& out, const char* format, auto... values) {
  char line[256];
  const int n = std::snprintf(line, sizeof line, format, values...);
  if (n > 0) out.append(line, static_cast<std::size_t>(std::min<int>(n, sizeof line - 1)));
}

}  // namespace

void printGpsStatusBlock(const GpsStatusBlock& b) {
  std::string text;
  append(text, "Latitud: %d g %f m %c\n", b.latitude.degrees, b.latitude.minutes,
         b.latitude.hemisphere);
  append(text, "Longitud: %d g %f m %c\n", b.longitude.degrees, b.longitude.minutes,
         b.longitude.hemisphere);
  append(text, "Altitud: %d\n", b.altitude);
  append(text, "Tiempo: %d h %d m %d s\n\n", b.hours, b.minutes, b.seconds);
  append(text, "UTM: (%f,%f)\n\n", b.utm.x, b.utm.y);
  append(text, "Posicion: (%f,%f)\n", b.relativeX, b.relativeY);
  append(text, "Desplazamiento en X:%f metros\n", b.stepX);
  append(text, "Desplazamiento en Y:%f metros\n", b.stepY);
  append(text, "Desplazamiento total:%f metros\n\n", b.stepLength);
  append(text, "%d iteraciones y %d lineas \n\n", b.byteIndex, b.ggaCount);
  consoleClear();
  consolePrintf("%s", text.c_str());
}
