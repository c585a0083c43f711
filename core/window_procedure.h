#pragma once
// The station window's procedure: window messages in, shared state out.
#include "gui/window_message.h"

// The quit request the frame loop waits for (exit code of the process).
struct QuitRequest {
  bool requested = false;
  int code = 0;
};
extern QuitRequest quitRequest;
void postQuitMessage(int code);

// Handles one message; the result is the procedure's (0 when handled).
long stationWindowProc(const WindowMessage& message);

// The dialog procedures of the information, IP and serial port dialogs.
struct DialogMessage;
class DialogHost;
bool aboutDialogProc(DialogHost& host, const DialogMessage& message);
bool ipDialogProc(DialogHost& host, const DialogMessage& message);
bool serialDialogProc(DialogHost& host, const DialogMessage& message);
