#include "robot/motion_port.h"

#include "robot/pose_update.h"
#include "state/robot_controller.h"

std::uint64_t refreshPose(MotionPort& robot, ArPose& currentPose) {
  const PoseReading reading = robot.readPose();
  currentPose = reading.pose;
  return reading.packet;
}

void refreshPoseRebased(MotionPort& robot, ArPose& currentPose, RobotController& station) {
  const std::uint64_t packet = refreshPose(robot, currentPose);
  updatePose(station, currentPose, robot.velocity(), packet);
  currentPose.setX(static_cast<double>(station.odoDisplacementX) * 1000);
  currentPose.setY(static_cast<double>(station.odoDisplacementY) * 1000);
}
