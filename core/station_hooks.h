#pragma once
// What the window procedure and the dialog procedures reach outside the
// station's own state: the view, the cursor, modal dialogs, worker threads.
// The station binds them to the real window; tests bind them to recorders.
#include <functional>
#include <string>

#include "gui/dialog_host.h"

struct StationHooks {
  std::function<void(int width, int height)> resizeView;
  std::function<void(bool visible)> showCursor;
  // Runs a modal dialog with the procedure until it ends; returns its result.
  std::function<int(int dialogId, DialogProcedure procedure)> runDialog;
  // Starts a detached thread running entry(label).
  std::function<void(int (*entry)(const char*), const char* label)> startThread;
  // Draws the dashboard and swaps, for dialogs that redraw it themselves.
  std::function<void()> redrawDashboard;
};

extern StationHooks stationHooks;
