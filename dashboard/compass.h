#pragma once
// The compass: a robot figure turned by the heading inside a fixed dial, and
// the heading in degrees (converted with 3.14, as the operators know it).

// heading: radians, read through the pointer; the arc tables hold count
// entries, i at i * 0.5 degrees.
void drawCompass(const float* heading, const float* cosTable, const float* sinTable, int count,
                 float centreX, float centreY, float scale);

// The same compass in pieces, for a frame that keeps the fixed dial as a
// picture that later drawing covers: labels (title, cardinal points and the
// heading's caption, which never change and go into the picture), texts (the
// heading's number), shapes (the turned figure), then fixed (circles, ticks,
// frame, background), give the whole compass.
void drawCompassLabels(float centreX, float centreY);
void drawCompassTexts(const float* heading, float centreX, float centreY);
void drawCompassShapes(const float* heading, const float* cosTable, const float* sinTable,
                       float centreX, float centreY, float scale);
void drawCompassFixed(const float* cosTable, const float* sinTable, int count, float centreX,
                      float centreY, float scale);
