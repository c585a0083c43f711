#include "robot/pose_update.h"

#include "aria/ar_robot.h"
#include "state/map_cells.h"
#include "state/robot_controller.h"

PoseView poseView(const ArPose& pose, bool first, float originX, float originY) {
  PoseView v;
  if (!first) {
    v.dx = static_cast<float>(pose.getX() / 1000.0 - static_cast<double>(originX));
    v.dy = static_cast<float>(pose.getY() / 1000.0 - static_cast<double>(originY));
  }
  v.headingRad = static_cast<float>(pose.getTh() * 3.1415927 / 180.0);
  // Rows follow odometry X, columns run against odometry Y.
  v.mapCol = kStartCell + truncCells(static_cast<float>(-v.dy / 0.1));
  v.mapRow = kStartCell + truncCells(static_cast<float>(v.dx / 0.1));
  return v;
}

void updatePose(RobotController& rc, const ArPose& pose, double velocityMmPerS) {
  const bool first = rc.firstPose;
  if (first) {
    rc.odoOriginX = static_cast<float>(pose.getX() / 1000.0);
    rc.odoOriginY = static_cast<float>(pose.getY() / 1000.0);
    rc.firstPose = false;
  }
  const PoseView v = poseView(pose, first, rc.odoOriginX, rc.odoOriginY);
  rc.odoDisplacementX = v.dx;
  rc.odoDisplacementY = v.dy;
  rc.headingRad = v.headingRad;
  rc.robotSpeed = static_cast<float>(velocityMmPerS / 1000.0);
  // Column first.
  rc.mapCol = v.mapCol;
  rc.mapRow = v.mapRow;
  rc.mapPose.store(MapPose{v.mapRow, v.mapCol, v.headingRad});
}

void updatePose(RobotController& rc, const ArPose& pose, ArRobot& robot) {
  updatePose(rc, pose, robot.getVel());
}
