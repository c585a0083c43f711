// Opens the station window once: exit status 0 when it opened, 1 when not.
#include "gui/station_window.h"

int main() {
  if (!createStationWindow("Controlador TORVA version 1.0", 600, 450, 8)) return 1;
  destroyStationWindow();
  return 0;
}
