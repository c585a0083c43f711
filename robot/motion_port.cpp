#include "robot/motion_port.h"

#include "robot/pose_update.h"
#include "state/robot_controller.h"

void refreshPose(MotionPort& robot, ArPose& currentPose) {
  currentPose = robot.readPose();
}

void refreshPoseRebased(MotionPort& robot, ArPose& currentPose, RobotController& station) {
  refreshPose(robot, currentPose);
  updatePose(station, currentPose, robot.velocity());
  currentPose.setX(static_cast<double>(station.odoDisplacementX) * 1000);
  currentPose.setY(static_cast<double>(station.odoDisplacementY) * 1000);
}
