#pragma once
// The robot as the route follower and the manual loop drive it: the pose from
// the source the station's simulator mode picks.
#include "aria/ar_robot.h"
#include "robot/motion_port.h"

struct RobotController;

class RobotMotion : public MotionPort {
 public:
  RobotMotion(ArRobot& robot, const RobotController& station) : robot_(robot), station_(station) {}
  PoseReading readPose() override;
  double velocity() override;
  void setVel2(double left, double right) override;
  void sleepMs(int ms) override;
  double seconds() override;
  bool wheelStalled() override;
  void waitPass() override;

 private:
  ArRobot& robot_;
  const RobotController& station_;
};
