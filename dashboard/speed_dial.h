#pragma once
// A speed dial: a needle over a half-circle scale, a 24-segment bar and the
// value in cm/s under a title.

// value: cm/s, read through the pointer; maxValue: the speed at the end of
// the scale. The needle turns clockwise by |value| / maxValue * 180 degrees
// from "0" on the left. The scale labels are fixed (0 to 120).
void drawSpeedDial(const float* value, float maxValue, const float* cosTable, const float* sinTable,
                   int count, float centreX, float centreY, float scale, const char* title);

// The same dial in pieces, for a frame that keeps the fixed scale as a
// picture that later drawing covers: labels (title, scale numbers and the
// value's caption, which never change and go into the picture), texts (the
// value's number), shapes (needle, bar frame and bar), then fixed (arc,
// ticks, frame, background), give the whole dial.
void drawSpeedDialLabels(float centreX, float centreY, const char* title);
void drawSpeedDialTexts(const float* value, float centreX, float centreY);
void drawSpeedDialShapes(const float* value, float maxValue, float centreX, float centreY,
                         float scale);
void drawSpeedDialFixed(const float* cosTable, const float* sinTable, int count, float centreX,
                        float centreY, float scale);
