#pragma once
// The station's recording of its run (see record/recorder.h), wired into the
// threads: the robot links' commands and status packets, the GPS line's
// bytes, the laser thread's scans, the operator's keys, menu commands and
// dialog buttons, and the map picture when the station ends. Off when the
// environment has TORVA_REGISTRO=0.
#include "gps/gps_link.h"
#include "gui/dialog_host.h"
#include "gui/window_message.h"

struct RobotController;

// Starts the recording in the working folder, before the station's threads.
void startStationRecording();

// The GPS line's watcher (nullptr while nothing records).
GpsBytesWatcher stationGpsWatcher();

// The laser thread's loop: read, mark, record, sleep 100 ms, for ever.
void stationLaserLoop(RobotController& rc);

// A window message about to reach the window procedure.
void recordWindowMessage(const WindowMessage& message);

// The dialog procedure, with its buttons recorded (main thread, one modal
// dialog at a time).
DialogProcedure recordedDialog(int dialogId, DialogProcedure procedure);
