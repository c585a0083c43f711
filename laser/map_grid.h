#pragma once
// Marking the last laser scan into the obstacle grid around the robot's cell.

struct RobotController;

void markScanInMap(RobotController& rc);

// Whole cells for a displacement already divided by the cell size, cut toward
// zero; absurd values are held to a range where the sum with a cell index
// cannot overflow (such a cell is outside the grid anyway).
int truncCells(float cells);
