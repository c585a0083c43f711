#include "robot/station_exit.h"

#include <cstdio>
#include <cstdlib>

#include "aria/aria_init.h"
#include "os/terminal_console.h"

void endStation(int status) {
  Aria::exitCleanup();
  restoreTerminal();
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(status);
}
