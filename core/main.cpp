// The station: brings its pieces up in order and keeps them running.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/station_globals.h"
#include "core/thread_entries.h"
#include "platform/terminal_console.h"

int main() {
  static auto record = std::make_unique<RobotController>();
  static auto view = std::make_unique<ArcTable>();
  stationRecord = record.get();
  viewRecord = view.get();

  openStatusConsole("Estado de comunicaciones");
  installTerminalRestoreHandlers();
  startStationThread(laserThreadMain, "T3");
  startStationThread(gpsThreadMain, "T5");

  // Until the window and its frame loop exist, the station runs until it is
  // told to stop.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  int received = 0;
  sigwait(&set, &received);
  restoreTerminal();
  std::fflush(stdout);
  std::_Exit(0);
}
