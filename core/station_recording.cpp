#include "core/station_recording.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "aria/ar_link_watch.h"
#include "aria/ar_robot.h"
#include "aria/ar_status_packet.h"
#include "core/driving_state.h"
#include "core/station_exit.h"
#include "core/station_globals.h"
#include "laser/laser_scan_reader.h"
#include "record/recorder.h"
#include "record/recording_files.h"

namespace {
Recorder& recorder() {
  static Recorder r;
  return r;
}

// Held by the laser thread through each read-mark-record pass, and by the end
// of the station for good: the map picture then holds exactly the marks of
// the recorded scans.
std::mutex laserPassMutex;

void onCommandSent(int command, bool hasArgument, int argument) {
  recorder().command(recording::kOriginRobot, command, hasArgument, argument);
}

// On the robot cycle thread, with the robot's data held: the getters show
// this packet.
void onStatusTaken(const ArRobot& robot, const ArStatusFields& fields, const ReceivedPacket& packet,
                   std::uint64_t sequence) {
  const RobotController* rc = stationRecord.load();
  if (rc == nullptr) return;
  const ArPose raw = robot.getRawEncoderPose();
  RobotRecord row;
  row.xMm = raw.getX();
  row.yMm = raw.getY();
  row.headingDeg = raw.getTh();
  row.leftMmPerS = robot.getLeftVel();
  row.rightMmPerS = robot.getRightVel();
  row.velMmPerS = robot.getVel();
  row.stall = robot.getStallValue();
  row.battery = fields.battery / 10.0;
  row.odoDx = rc->odoDisplacementX;
  row.odoDy = rc->odoDisplacementY;
  row.gpsDx = rc->gpsDisplacementX;
  row.gpsDy = rc->gpsDisplacementY;
  if (robot.getStatusPacketCount() == 1) {
    recorder().connection(robot.getRobotName(), robot.getRobotType(), robot.getRobotSubType());
  }
  recorder().robotStatus(row, sequence, packet);
}

void onGpsBytes(const char* bytes, int count) {
  recorder().gpsBytes(bytes, count);
}

void endRecording() {
  // Never released: the laser thread marks nothing more before the process ends.
  laserPassMutex.lock();
  recorder().finish(stationRecord.load());
}

// The dialog open now (main thread only; dialogs are modal, one at a time).
int openDialogId = 0;
DialogProcedure openDialogProcedure = nullptr;

bool recordingDialogProc(DialogHost& host, const DialogMessage& message) {
  if (message.type == DialogMessage::Type::Command) {
    recorder().command(recording::kOriginDialog, message.id, true, openDialogId);
  }
  return openDialogProcedure(host, message);
}
}  // namespace

void startStationRecording() {
  const char* setting = std::getenv("TORVA_REGISTRO");
  if (setting != nullptr && std::strcmp(setting, "0") == 0) return;
  if (!recorder().start(RecorderSettings{})) return;
  ArLinkWatch watch;
  watch.commandSent = onCommandSent;
  watch.statusReceived = onStatusTaken;
  setLinkWatch(watch);
  setStationEndHook(endRecording);
}

GpsBytesWatcher stationGpsWatcher() {
  return recorder().recording() ? onGpsBytes : nullptr;
}

void stationLaserLoop(RobotController& rc) {
  if (!recorder().recording()) {
    laserLoop(rc, nullptr);
    return;
  }
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(laserPassMutex);
      if (const auto pose = laserPass(rc)) recorder().laserScan(laserScan(rc), *pose);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

void recordWindowMessage(const WindowMessage& message) {
  switch (message.type) {
    case WindowMessageType::KeyDown:
    case WindowMessageType::KeyUp: {
      // One row per press and per release: a held key's repeats are not actions.
      const bool down = message.type == WindowMessageType::KeyDown;
      if (message.wparam < driving.keyDown.size() && driving.keyDown[message.wparam] != down) {
        recorder().command(recording::kOriginKey, static_cast<int>(message.wparam), true,
                           down ? 1 : 0);
      }
      break;
    }
    case WindowMessageType::Command:
      recorder().command(recording::kOriginMenu, commandId(message.wparam), false, 0);
      break;
    case WindowMessageType::Close:
      recorder().command(recording::kOriginWindow, 0, false, 0);
      break;
    default:
      break;
  }
}

DialogProcedure recordedDialog(int dialogId, DialogProcedure procedure) {
  if (!recorder().recording()) return procedure;
  openDialogId = dialogId;
  openDialogProcedure = procedure;
  return recordingDialogProc;
}
