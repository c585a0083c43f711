#include "core/window_procedure.h"

#include <algorithm>

#include "core/driving_state.h"
#include "core/robot_addresses.h"
#include "core/station_globals.h"
#include "core/station_hooks.h"
#include "core/thread_entries.h"
#include "gui/station_resources.h"

QuitRequest quitRequest;

void postQuitMessage(int code) {
  quitRequest.code = code;
  quitRequest.requested = true;
}

namespace {
void setLaserRange(float metres) {
  if (RobotController* rc = stationRecord.load()) rc->laserDisplayRange = metres;
}

void openDialog(int dialogId, DialogProcedure procedure) {
  if (stationHooks.runDialog) stationHooks.runDialog(dialogId, procedure);
}

// The menu's commands. False: the id is not one of the menu's.
bool menuCommand(int id) {
  switch (id) {
    case res::kCmdSerialMode:
      openDialog(res::kDialogSerial, serialDialogProc);
      return true;
    case res::kCmdRobot1:
      setRobotAddress(robotOneAddress());
      openDialog(res::kDialogIp, ipDialogProc);
      return true;
    case res::kCmdRobot2:
      setRobotAddress(robotTwoAddress());
      openDialog(res::kDialogIp, ipDialogProc);
      return true;
    case res::kCmdMobileSim:
      if (RobotController* rc = stationRecord.load()) rc->simulatorMode = 1;
      setRobotAddress(kSimulatorAddress);
      openDialog(res::kDialogIp, ipDialogProc);
      return true;
    case res::kCmdSaveStatistics:
      return true;  // the statistics are not kept
    case res::kCmdExit:
      postQuitMessage(0);
      return true;
    case res::kCmdLaser5:
      setLaserRange(5.0f);
      return true;
    case res::kCmdLaser10:
      setLaserRange(10.0f);
      return true;
    case res::kCmdLaser25:
      setLaserRange(25.0f);
      return true;
    case res::kCmdLaser50:
      setLaserRange(50.0f);
      return true;
    case res::kCmdAbout:
      openDialog(res::kDialogAbout, aboutDialogProc);
      return true;
    default:
      return false;
  }
}

void startThread(int (*entry)(const char*), const char* label) {
  if (stationHooks.startThread) stationHooks.startThread(entry, label);
}
}  // namespace

long stationWindowProc(const WindowMessage& message) {
  switch (message.type) {
    case WindowMessageType::Size:
      if (stationHooks.resizeView) stationHooks.resizeView(message.width, message.height);
      return 0;
    case WindowMessageType::Activate:
      driving.windowActive = !activateMinimised(message.wparam);
      return 0;
    case WindowMessageType::Close:
      // The records stay until the process ends: the workers may still read them.
      postQuitMessage(0);
      return 0;
    case WindowMessageType::KeyDown:
    case WindowMessageType::KeyUp:
      if (message.wparam < driving.keyDown.size()) {
        const bool down = message.type == WindowMessageType::KeyDown;
        driving.keyDown[message.wparam] = down;
        if (down) driving.keyTapped[message.wparam] = true;
      }
      return 0;
    case WindowMessageType::Command:
      menuCommand(commandId(message.wparam));
      return 0;
    case WindowMessageType::LeftButtonDown:
      driving.mouseButtonHeld = true;
      if (stationHooks.showCursor) stationHooks.showCursor(false);
      return 0;
    case WindowMessageType::LeftButtonUp:
      driving.mouseButtonHeld = false;
      if (stationHooks.showCursor) stationHooks.showCursor(true);
      return 0;
  }
  return 1;
}

bool aboutDialogProc(DialogHost& host, const DialogMessage& message) {
  if (stationHooks.redrawDashboard) stationHooks.redrawDashboard();
  if (message.type == DialogMessage::Type::Init) return true;
  if (message.type == DialogMessage::Type::Command &&
      (message.id == res::kIdOk || message.id == res::kIdCancel)) {
    host.endDialog(message.id);
    return true;
  }
  return false;
}

bool ipDialogProc(DialogHost& host, const DialogMessage& message) {
  if (stationHooks.redrawDashboard) stationHooks.redrawDashboard();
  switch (message.type) {
    case DialogMessage::Type::Init:
      host.setItemText(res::kIdIpAddress, robotAddressText());
      break;
    case DialogMessage::Type::Command:
      if (message.id == res::kIdOk) {
        startThread(ipManualThreadMain, "T1");
        host.endDialog(res::kIdOk);
      } else if (message.id == res::kIdIpAuto) {
        startThread(ipAutoThreadMain, "T2");
        host.endDialog(res::kIdIpAuto);
      } else if (message.id == res::kIdCancel) {
        host.endDialog(res::kIdCancel);
      }
      break;
    case DialogMessage::Type::FieldChanged:
      if (message.id == res::kIdIpAddress) setRobotAddress(message.text.c_str());
      break;
    case DialogMessage::Type::Close:
      host.endDialog(0);
      break;
  }
  return false;
}

bool serialDialogProc(DialogHost& host, const DialogMessage& message) {
  if (stationHooks.redrawDashboard) stationHooks.redrawDashboard();
  RobotController* rc = stationRecord.load();
  switch (message.type) {
    case DialogMessage::Type::Init:
      if (rc != nullptr) rc->serialPortName = res::kPortNames[0];
      host.setItemText(res::kIdSerialSelected, res::kPortNames[0]);
      break;
    case DialogMessage::Type::Command: {
      const auto* button =
          std::find(std::begin(res::kPortButtonIds), std::end(res::kPortButtonIds), message.id);
      if (button != std::end(res::kPortButtonIds)) {
        const char* port = res::kPortNames[button - std::begin(res::kPortButtonIds)];
        if (rc != nullptr) rc->serialPortName = port;
        host.setItemText(res::kIdSerialSelected, port);
      } else if (message.id == res::kIdSerialManual) {
        startThread(serialManualThreadMain, "T4");
        host.endDialog(res::kIdSerialManual);
      } else if (message.id == res::kIdSerialAuto) {
        startThread(serialAutoThreadMain, "T5");
        host.endDialog(res::kIdSerialAuto);
      } else if (message.id == res::kIdCancel) {
        host.endDialog(res::kIdCancel);
      }
      break;
    }
    case DialogMessage::Type::FieldChanged:
      break;
    case DialogMessage::Type::Close:
      host.endDialog(0);
      break;
  }
  return false;
}
