#include "gui/display_probe.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

DisplayProbe::DisplayProbe() {
  // A Wayland session is taken as reachable.
  if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland) {
    reachable_ = true;
    return;
  }
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return;
  // A server in the middle of a reset refuses for a moment: try for up to
  // two seconds before taking it as absent.
  for (int attempt = 0; attempt < 200; ++attempt) {
    display_ = XOpenDisplay(name);
    if (display_ != nullptr) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  reachable_ = display_ != nullptr;
}

DisplayProbe::~DisplayProbe() {
  if (display_ != nullptr) XCloseDisplay(static_cast<Display*>(display_));
}

std::string noDisplayText() {
  // A machine without a desktop can still show the station on a virtual one.
  const std::string what =
      "; sin escritorio, 'xvfb-run -a scripts/run' muestra la demo en una pantalla virtual";
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') {
    return "No hay pantalla: la variable DISPLAY no esta definida" + what;
  }
  return std::string("No se pudo abrir la pantalla DISPLAY=") + name + what;
}
