#pragma once
// Marking the last laser scan into the obstacle grid around the robot's cell.

struct RobotController;

void markScanInMap(RobotController& rc);
