#include "robot/robot_motion.h"

#include <chrono>

#include "aria/ar_util.h"
#include "state/robot_controller.h"

ArPose stationPoseOf(const ArRobot& robot, const RobotController& station) {
  return station.simulatorMode != 0 ? robot.getRawEncoderPose() : robot.getPose();
}

ArPose RobotMotion::readPose() {
  return stationPoseOf(robot_, station_);
}
double RobotMotion::velocity() {
  return robot_.getVel();
}
void RobotMotion::setVel2(double left, double right) {
  robot_.setVel2(left, right);
}
void RobotMotion::sleepMs(int ms) {
  ArUtil::sleep(ms);
}
double RobotMotion::seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
bool RobotMotion::wheelStalled() {
  return robot_.isLeftMotorStalled() || robot_.isRightMotorStalled();
}
// A new pose comes with each status packet (every 100 ms); a millisecond per
// pass keeps the loops responsive without spinning.
void RobotMotion::waitPass() {
  ArUtil::sleep(1);
}
