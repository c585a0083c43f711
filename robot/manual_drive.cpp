#include "robot/manual_drive.h"

#include "os/console_print.h"
#include "robot/pose_update.h"
#include "state/robot_controller.h"

namespace {
// Whether the robot must stand still for a silent main thread. The stop lasts
// until the main thread is back and has answered the stop request by setting
// the speed to zero, so the robot does not lurch off at the stale speed.
bool haltedForSilence(MainThreadHeartbeat* heartbeat, bool halted) {
  if (heartbeat == nullptr) return false;
  if (mainThreadSilent(*heartbeat)) {
    if (!halted) heartbeat->stopRequested.store(true, std::memory_order_release);
    return true;
  }
  return halted && heartbeat->stopRequested.load(std::memory_order_acquire);
}
}  // namespace

void manualDriveLoop(MotionPort& robot, ArPose& currentPose, const SharedWheelSpeeds* wheels,
                     const Relaxed<int>* runFlag, RobotController& station,
                     MainThreadHeartbeat* heartbeat) {
  int passes = 0;
  bool halted = false;
  refreshPose(robot, currentPose);
  consolePrintf("[%lf] [%lf] [%lf]\n", currentPose.getX() / 1000, currentPose.getY() / 1000,
                currentPose.getTh());
  while (*runFlag != 0) {
    refreshPose(robot, currentPose);
    if (passes == 10) {
      updatePose(station, currentPose, robot.velocity());
      passes = 0;
    } else {
      ++passes;
    }
    const bool wasHalted = halted;
    halted = haltedForSilence(heartbeat, halted);
    // Every pass renews the command, so the robot layer keeps sending it; the
    // two wheels come from one frame.
    if (halted) {
      robot.setVel2(0, 0);
      if (!wasHalted) consolePrintf("estacion sin respuesta: robot detenido\n");
    } else {
      const WheelSpeeds w = wheels->load();
      robot.setVel2(static_cast<double>(w.left) * 1000, static_cast<double>(w.right) * 1000);
    }
    robot.waitPass();
  }
}
