#pragma once
// Map cells from displacements: shared by the pose update (the robot's cell)
// and the laser marking (the hit cells).

// Whole cells for a displacement already divided by the cell size, cut toward
// zero; absurd values are held to a range where the sum with a cell index
// cannot overflow (such a cell is outside the grid anyway).
int truncCells(float cells);
