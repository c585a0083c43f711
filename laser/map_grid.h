#pragma once
// Marking the last laser scan into the obstacle grid around the robot's cell.

#include "state/robot_controller.h"

// Where a scan is marked from: the robot's cell and heading of one pose
// update, taken once so that every reading of the scan uses the same pose.
using MarkPose = MapPose;

// The robot's cell and heading of the last pose update (the robot worker may
// publish the next one meanwhile).
MarkPose currentMarkPose(const RobotController& rc);

// Marks the record's last scan from its current pose.
void markScanInMap(RobotController& rc);

// Marks the record's last scan from the given pose (a recording's pose, or
// one the caller took for itself).
void markScanInMap(RobotController& rc, const MarkPose& pose);
