#pragma once
// Keeping the station record's odometry, heading, speed and map cell current
// from the robot's pose.
#include "aria/ar_pose.h"

struct RobotController;

// pose: x, y in mm, heading in degrees; velocityMmPerS: the robot's
// translational velocity as the robot library keeps it.
void updatePose(RobotController& rc, const ArPose& pose, double velocityMmPerS);

class ArRobot;
// The same, with the velocity the robot layer keeps for the robot.
void updatePose(RobotController& rc, const ArPose& pose, ArRobot& robot);

// What updatePose makes of a pose: the displacement from the origin (m), the
// heading and the map cell. first: the pose becomes the origin (no origin yet).
struct PoseView {
  float dx = 0;
  float dy = 0;
  float headingRad = 0;
  int mapRow = 0;
  int mapCol = 0;
};
PoseView poseView(const ArPose& pose, bool first, float originX, float originY);
