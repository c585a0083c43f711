#include "robot/pose_update.h"

#include "aria/ar_robot.h"
#include "state/map_cells.h"
#include "state/robot_controller.h"

void updatePose(RobotController& rc, const ArPose& pose, double velocityMmPerS) {
  const double xm = pose.getX() / 1000.0;
  const double ym = pose.getY() / 1000.0;
  if (rc.firstPose) {
    rc.odoOriginX = static_cast<float>(xm);
    rc.odoOriginY = static_cast<float>(ym);
    rc.odoDisplacementX = 0;
    rc.odoDisplacementY = 0;
    rc.firstPose = false;
  } else {
    rc.odoDisplacementX = static_cast<float>(xm - static_cast<double>(rc.odoOriginX));
    rc.odoDisplacementY = static_cast<float>(ym - static_cast<double>(rc.odoOriginY));
  }
  rc.headingRad = static_cast<float>(pose.getTh() * 3.1415927 / 180.0);
  rc.robotSpeed = static_cast<float>(velocityMmPerS / 1000.0);
  // Rows follow odometry X, columns run against odometry Y; column first.
  const float dy = rc.odoDisplacementY;
  const float dx = rc.odoDisplacementX;
  rc.mapCol = kStartCell + truncCells(static_cast<float>(-dy / 0.1));
  rc.mapRow = kStartCell + truncCells(static_cast<float>(dx / 0.1));
}

void updatePose(RobotController& rc, const ArPose& pose, ArRobot& robot) {
  updatePose(rc, pose, robot.getVel());
}
