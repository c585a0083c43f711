#include "robot/station_exit.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>

#include "aria/aria_init.h"
#include "os/console_print.h"
#include "os/terminal_console.h"

namespace {
std::atomic<void (*)()> endHook{nullptr};
}  // namespace

void setStationEndHook(void (*hook)()) {
  endHook.store(hook);
}

void endStation(int status) {
  Aria::exitCleanup();
  // A second thread ending the station at the same time waits here until the
  // first has run the hook (and then ends the process itself).
  static std::mutex hookMutex;
  {
    std::lock_guard<std::mutex> lock(hookMutex);
    if (auto hook = endHook.exchange(nullptr)) hook();
  }
  restoreTerminal();
  // Never waits on the console's reader: what it cannot take at once within
  // the budget is dropped.
  finishConsoleForExit(std::chrono::milliseconds(300));
  std::_Exit(status);
}
