#include "dashboard/speed_dial.h"

#include <GL/gl.h>

#include <cmath>

#include "dashboard/dashboard_colours.h"
#include "dashboard/text_print.h"

// The value's caption: in the fixed picture, the number after it in each frame.
constexpr const char kSpeedPrefix[] = "Velocidad [cm/s]: ";

void drawSpeedDialLabels(float centreX, float centreY, const char* title) {
  const float cx = centreX, cy = centreY;
  drawBitmapText(title, 10, kBlue.r, kBlue.g, kBlue.b, cx - 2.41f, cy + 2.19f);
  drawBitmapText(kSpeedPrefix, 10, kOrange.r, kOrange.g, kOrange.b, cx - 1.51f, cy - 0.86f);
  struct Label {
    const char* text;
    float dx, dy;
  };
  constexpr Label kScale[] = {{"0", -2.21f, 0.02f},  {"20", -2.07f, 0.97f}, {"40", -1.24f, 1.78f},
                              {"60", -0.15f, 2.07f}, {"80", 0.85f, 1.78f},  {"100", 1.66f, 0.97f},
                              {"120", 1.9f, 0.02f}};
  for (const Label& l : kScale) {
    drawBitmapText(l.text, 10, kOrange.r, kOrange.g, kOrange.b, cx + l.dx, cy + l.dy);
  }
}

void drawSpeedDialTexts(const float* value, float centreX, float centreY) {
  drawBitmapNumberAfter(kSpeedPrefix, *value, 10, kOrange.r, kOrange.g, kOrange.b, centreX - 1.51f,
                        centreY - 0.86f);
}

void drawSpeedDialShapes(const float* value, float maxValue, float centreX, float centreY,
                         float scale) {
  const float cx = centreX, cy = centreY, s = scale;
  const float v = *value;

  // Needle: always clockwise, whatever the sign.
  glPushMatrix();
  glTranslatef(cx, cy, 0);
  if (v >= 0) {
    glRotatef(v * 180 / maxValue, 0, 0, -1);
  } else {
    glRotatef(v * 180 / maxValue, 0, 0, 1);
  }
  setColour(kOrange);
  glLineWidth(0.5f);
  fillQuad(-1.5f * s, 0, 0, 0.1f * s, 0.1f * s, 0, 0, -0.1f * s);
  glPopMatrix();

  glPushMatrix();
  const float top = cy - 0.2f, bottom = cy - 0.5f;
  setColour(kBlue);
  glLineWidth(2);
  drawLine(cx - 1.8f, top, cx + 1.8f, top);
  drawLine(cx - 1.8f, bottom, cx + 1.8f, bottom);
  drawLine(cx - 1.8f, bottom, cx - 1.8f, top);
  drawLine(cx + 1.8f, bottom, cx + 1.8f, top);

  auto x = [&](int k) { return cx + static_cast<float>(k) / 24 * 3.6f - 1.8f; };
  // Above full scale the bar runs past its frame; beyond twice full scale it
  // is past the window's edge, and the cap keeps an absurd speed from
  // stalling the frame.
  constexpr int kMostSegments = 48;
  const float lit = std::fabs(v) / maxValue * 24 - 1;
  for (int i = 0; static_cast<float>(i) < lit && i < kMostSegments; ++i) {
    glBegin(GL_QUADS);
    setColour(kOrange);
    glVertex2f(x(i + 1), top);
    glVertex2f(x(i + 1), bottom);
    setColour(kDarkOrange);
    glVertex2f(x(i), bottom);
    glVertex2f(x(i), top);
    glEnd();
  }
  glPopMatrix();
}

void drawSpeedDialFixed(const float* cosTable, const float* sinTable, int count, float centreX,
                        float centreY, float scale) {
  const float cx = centreX, cy = centreY, s = scale;
  glPushMatrix();
  setColour(kBlue);
  glLineWidth(2);
  const float rho = 1.8f * s;
  for (int i = 0; i <= count - 2; ++i) {
    drawLine(cx + rho * cosTable[i], cy + rho * sinTable[i], cx + rho * cosTable[i + 1],
             cy + rho * sinTable[i + 1]);
  }
  for (int k = 0; k <= 6; ++k) {
    const float c = cosTable[60 * k], sn = sinTable[60 * k];
    drawLine(cx + 1.8f * s * c, cy + 1.8f * s * sn, cx + 1.5f * s * c, cy + 1.5f * s * sn);
  }

  drawLine(cx + 2.5f, cy - 1, cx + 2.5f, cy + 2.5f);     // right
  drawLine(cx - 2.5f, cy + 2.5f, cx + 2.5f, cy + 2.5f);  // top
  drawLine(cx - 2.5f, cy - 1, cx + 2.5f, cy - 1);        // bottom
  drawLine(cx - 2.5f, cy - 1, cx - 2.5f, cy + 2.5f);     // left
  setColour(kGrey);
  fillQuad(cx + 2.5f, cy + 2.5f, cx + 2.5f, cy - 1, cx - 2.5f, cy - 1, cx - 2.5f, cy + 2.5f);
  glPopMatrix();
}

void drawSpeedDial(const float* value, float maxValue, const float* cosTable, const float* sinTable,
                   int count, float centreX, float centreY, float scale, const char* title) {
  drawSpeedDialLabels(centreX, centreY, title);
  drawSpeedDialTexts(value, centreX, centreY);
  drawSpeedDialShapes(value, maxValue, centreX, centreY, scale);
  drawSpeedDialFixed(cosTable, sinTable, count, centreX, centreY, scale);
}
