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

// The same radar in pieces, for a frame that keeps the fixed part (rings,
// dark half-disc, frame and background, which change only with count) as a
// picture that later drawing covers. Labels: the title and the distances the
// rings stand for, which change only with range; they go into the picture,
// before the fixed part. Texts: the angle labels, which the scan may reach
// at the disc's edge, so they are drawn with each frame, before the scan.
// Shapes: base line, spokes and the scan, each scan segment preceded by the
// ring pieces it may touch. Labels, texts, shapes, then fixed, give the
// pixels of the whole radar.
void drawLaserRadarLabels(float range, float centreX, float centreY);
void drawLaserRadarTexts(float centreX, float centreY);
void drawLaserRadarShapes(const LaserScanView& ranges, const float* cosTable, const float* sinTable,
                          int count, float range, float centreX, float centreY, float scale);
// count: the readings of the scan, limited to the 361 table entries.
void drawLaserRadarFixed(const float* cosTable, const float* sinTable, int count, float centreX,
                         float centreY, float scale);
