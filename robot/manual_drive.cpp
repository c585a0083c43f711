#include "robot/manual_drive.h"

#include "core/robot_controller.h"
#include "platform/console_print.h"
#include "robot/pose_update.h"

void manualDriveLoop(MotionPort& robot, ArPose& currentPose, const Relaxed<float>* leftSpeed,
                     const Relaxed<float>* rightSpeed, const Relaxed<int>* runFlag,
                     RobotController& station) {
  int passes = 0;
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
    robot.setVel2(static_cast<double>(leftSpeed->load()) * 1000,
                  static_cast<double>(rightSpeed->load()) * 1000);
    robot.waitPass();
  }
}
