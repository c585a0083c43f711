#include "gps/gps_status_block.h"

#include <atomic>
#include <string>

#include "os/console_print.h"

namespace {
std::atomic<GpsBlockWatcher> gWatcher{nullptr};
}  // namespace

void setGpsBlockWatcher(GpsBlockWatcher watcher) {
  gWatcher.store(watcher, std::memory_order_release);
}

void printGpsStatusBlock(const GpsStatusBlock& b) {
  std::string text;
  appendf(text, "Latitud: %d g %f m %c\n", b.latitude.degrees, b.latitude.minutes,
          b.latitude.hemisphere);
  appendf(text, "Longitud: %d g %f m %c\n", b.longitude.degrees, b.longitude.minutes,
          b.longitude.hemisphere);
  appendf(text, "Altitud: %d\n", b.altitude);
  appendf(text, "Tiempo: %d h %d m %d s\n\n", b.hours, b.minutes, b.seconds);
  appendf(text, "UTM: (%f,%f)\n\n", b.utm.x, b.utm.y);
  appendf(text, "Posicion: (%f,%f)\n", b.relativeX, b.relativeY);
  appendf(text, "Desplazamiento en X:%f metros\n", b.stepX);
  appendf(text, "Desplazamiento en Y:%f metros\n", b.stepY);
  appendf(text, "Desplazamiento total:%f metros\n\n", b.stepLength);
  // A log shows the block again only for a new fix, not for the counters.
  const std::size_t fix = text.size();
  appendf(text, "%d iteraciones y %d lineas \n\n", b.byteIndex, b.ggaCount);
  consoleBlock(text, std::string_view(text).substr(0, fix));
  if (const GpsBlockWatcher watcher = gWatcher.load(std::memory_order_acquire)) watcher(b);
}
