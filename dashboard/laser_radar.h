#pragma once
// The laser radar: the last scan on a half-disc with range rings, angle
// labels and the distances the rings stand for.
#include "state/robot_controller.h"

// Reading i is drawn at i * 0.5 degrees counter-clockwise from the "0" side
// (right), at R * reading / range with R = 5 * scale; readings at or beyond
// range, or negative, break the line. count is limited to the scan's readings
// and to the 361 table entries.
void drawLaserRadar(const LaserScanView& ranges, const float* cosTable, const float* sinTable,
                    int count, float range, float centreX, float centreY, float scale);
