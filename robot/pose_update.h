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
