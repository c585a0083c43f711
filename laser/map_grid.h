#pragma once
// Marking the last laser scan into the obstacle grid around the robot's cell.

struct RobotController;

// Where a scan is marked from: the robot's cell and heading, taken once so
// that every reading of the scan uses the same pose.
struct MarkPose {
  int mapRow = 0;
  int mapCol = 0;
  float headingRad = 0;
};

// The robot's cell and heading in the record now (the robot worker may move them).
MarkPose currentMarkPose(const RobotController& rc);

// Marks the record's last scan from its current pose.
void markScanInMap(RobotController& rc);

// Marks the record's last scan from the given pose (a recording's pose, or
// one the caller took for itself).
void markScanInMap(RobotController& rc, const MarkPose& pose);
