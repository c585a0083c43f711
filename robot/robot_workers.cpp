#include "robot/robot_workers.h"

#include "os/console_print.h"
#include "robot/robot_link.h"

namespace {
int autoRun(RobotLink& link, RobotController& station) {
  if (link.connectRobot(false) != 0) return 1;
  return link.runRoute(station);
}

int manualRun(RobotLink& link, const SharedWheelSpeeds* wheels, const Relaxed<int>* runFlag,
              RobotController& station, MainThreadHeartbeat* heartbeat) {
  if (link.connectRobot(true) != 0) return 1;
  return link.runManual(wheels, runFlag, station, heartbeat);
}
}  // namespace

int ipAutoWorker(const char* address, int port, RobotController& station) {
  consolePrintf("1c\n");
  {
    RobotLink link(address, port);
    consolePrintf("2c\n");
    autoRun(link, station);
  }
  consolePrintf("3c\n");
  return 0;
}

int serialAutoWorker(const char* portName, RobotController& station) {
  consolePrintf("1c\n");
  {
    RobotLink link(portName);
    consolePrintf("2c\n");
    autoRun(link, station);
  }
  consolePrintf("3c\n");
  return 0;
}

int ipManualWorker(const char* address, int port, const SharedWheelSpeeds* wheels,
                   const Relaxed<int>* runFlag, RobotController& station,
                   MainThreadHeartbeat* heartbeat) {
  consolePrintf("1c\n");
  {
    RobotLink link(address, port);
    consolePrintf("2c\n");
    manualRun(link, wheels, runFlag, station, heartbeat);
  }
  consolePrintf("3c\n");
  return 0;
}

int serialManualWorker(const char* portName, const SharedWheelSpeeds* wheels,
                       const Relaxed<int>* runFlag, RobotController& station,
                       MainThreadHeartbeat* heartbeat) {
  consolePrintf("1c\n");
  {
    RobotLink link(portName);
    consolePrintf("2c\n");
    manualRun(link, wheels, runFlag, station, heartbeat);
  }
  consolePrintf("3c\n");
  return 0;
}
