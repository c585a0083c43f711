// The station: the window, the records, the status console, the laser and
// GPS threads, then the frame loop until the operator ends it.
#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/driving_state.h"
#include "core/frame_loop.h"
#include "core/gamepad_driving.h"
#include "core/station_command_line.h"
#include "core/station_exit.h"
#include "core/station_globals.h"
#include "core/station_hooks.h"
#include "core/station_recording.h"
#include "core/thread_entries.h"
#include "core/window_procedure.h"
#include "dashboard/textures.h"
#include "gui/cursor.h"
#include "gui/dialog_host.h"
#include "gui/event_loop_beat.h"
#include "gui/gui_application.h"
#include "gui/station_window.h"
#include "os/console_print.h"
#include "os/terminal_console.h"

namespace {
// SIGINT, SIGTERM and SIGHUP end the station as its own quit does, from a
// thread of its own: robots stopped, terminal restored.
sigset_t endSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

int signalThreadMain(const char* /*label*/) {
  const sigset_t set = endSignals();
  int received = 0;
  if (sigwait(&set, &received) == 0) endStation(128 + received);
  return 0;
}

// TORVA_MANDO=0 leaves any gamepad alone.
bool gamepadWanted() {
  const char* setting = std::getenv("TORVA_MANDO");
  return setting == nullptr || std::strcmp(setting, "0") != 0;
}

// Every beat of the event loop, whichever loop runs: the main thread's sign of
// life, and the gamepad applied even while no frame runs (a menu or a dialog
// open, the window minimised), so that letting go of it always stops the robot.
void stationBeat() {
  markHeartbeat(driving.heartbeat);
  runGamepadStep(driving, heartbeatClockMs());
}

void bindStationHooks() {
  stationHooks.resizeView = [](int width, int height) { resizeView(width, height); };
  stationHooks.showCursor = [](bool visible) { visible ? showCursor() : hideCursor(); };
  stationHooks.runDialog = [](int dialogId, DialogProcedure procedure) {
    return runStationDialog(dialogId, recordedDialog(dialogId, procedure), drawStationFrame);
  };
  stationHooks.startThread = startStationThread;
  stationHooks.redrawDashboard = drawStationFrame;
}
}  // namespace

int main(int argc, char** argv) {
  std::string error;
  switch (parseStationCommandLine(argc, argv, error)) {
    case StationCommand::Run:
      break;
    case StationCommand::Help:
      std::fputs(stationHelpText(), stdout);
      return 0;
    case StationCommand::Version:
      std::fputs(stationVersionText().c_str(), stdout);
      return 0;
    case StationCommand::Bad:
      std::fputs(error.c_str(), stderr);
      std::fputs(stationHelpText(), stderr);
      return 2;
  }

  // A console reader that went away (a closed pipe) is a failed write for
  // the console, never the end of the station.
  std::signal(SIGPIPE, SIG_IGN);

  // Blocked here, before any thread exists, so that every thread inherits it
  // and only the signal thread takes these signals.
  const sigset_t signals = endSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  setToolkitMessageSink([](const char* text) { consolePrintf("qt: %s\n", text); });
  useDashboardRenderResources();
  if (!createStationWindow("Controlador TORVA version 1.0", 600, 450, 8)) {
    // The failure has been shown; a station without its window is a failed start.
    endStation(1);
  }

  static auto record = std::make_unique<RobotController>();
  static auto view = std::make_unique<ArcTable>();
  stationRecord = record.get();
  viewRecord = view.get();

  openStatusConsole("Estado de comunicaciones");
  endStationWhenARobotLinkEnds();
  // Before the threads it records start.
  startStationRecording();
  startStationThread(signalThreadMain, "S");
  startStationThread(laserThreadMain, "T3");
  startStationThread(gpsThreadMain, "T6");
  if (gamepadWanted()) startStationThread(gamepadThreadMain, "T7");

  bindStationHooks();
  setWindowMessageHandler([](const WindowMessage& message) {
    recordWindowMessage(message);
    stationWindowProc(message);
  });
  setEventLoopBeat(stationBeat, MainThreadHeartbeat::kBeatMs);
  const int status = runFrameLoop();

  showCursor();
  setWindowMessageHandler(nullptr);
  destroyStationWindow();
  endStation(status);
}
