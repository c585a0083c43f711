#pragma once
// Keeping the station record's odometry, heading, speed and map cell current
// from the robot's pose.
#include <cstdint>

#include "aria/ar_pose.h"

struct RobotController;

// pose: x, y in mm, heading in degrees; velocityMmPerS: the robot's
// translational velocity as the robot library keeps it; packet: the number
// of the status packet the pose came from, published with the map pose.
void updatePose(RobotController& rc, const ArPose& pose, double velocityMmPerS,
                std::uint64_t packet = 0);

class ArRobot;
// The same, with the velocity the robot layer keeps for the robot.
void updatePose(RobotController& rc, const ArPose& pose, ArRobot& robot);
