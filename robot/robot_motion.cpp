#include "robot/robot_motion.h"

#include <chrono>

#include "aria/ar_util.h"
#include "state/robot_controller.h"

// The source the station's simulator mode picks: the raw encoder pose in
// simulator mode, else the pose the robot layer keeps.
PoseReading RobotMotion::readPose() {
  const ArRobot::PoseSample sample = robot_.getPoseSample();
  return {station_.simulatorMode != 0 ? sample.raw : sample.pose, sample.packet};
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
// A new pose comes with each status packet (every 100 ms) and the operator's
// speeds change at most once a frame (16.7 ms): 5 ms a pass sees both well in
// time, and the loop wakes 200 times a second rather than 1000.
void RobotMotion::waitPass() {
  ArUtil::sleep(5);
}
