#include "dashboard/compass.h"

#include <GL/gl.h>

#include <initializer_list>

#include "dashboard/dashboard_colours.h"
#include "dashboard/text_print.h"

// The heading's caption: in the fixed picture, its number after it in each frame.
constexpr const char kAnglePrefix[] = "[grad]: ";

void drawCompassLabels(float centreX, float centreY) {
  const float cx = centreX, cy = centreY;
  drawBitmapText("BRUJULA", 10, kBlue.r, kBlue.g, kBlue.b, cx - 2.41f, cy + 2.19f);
  drawBitmapText("N", 18, kOrange.r, kOrange.g, kOrange.b, cx - 0.15f, cy + 2);
  drawBitmapText("S", 18, kOrange.r, kOrange.g, kOrange.b, cx - 0.15f, cy - 2.35f);
  drawBitmapText("E", 18, kOrange.r, kOrange.g, kOrange.b, cx + 2, cy - 0.12f);
  drawBitmapText("O", 18, kOrange.r, kOrange.g, kOrange.b, cx - 2.4f, cy - 0.12f);
  drawBitmapText("Angulo", 10, kOrange.r, kOrange.g, kOrange.b, cx - 2.36f, cy - 1.92f);
  drawBitmapText(kAnglePrefix, 10, kOrange.r, kOrange.g, kOrange.b, cx - 2.36f, cy - 2.29f);
}

void drawCompassTexts(const float* heading, float centreX, float centreY) {
  drawBitmapNumberAfter(kAnglePrefix, *heading * 180 / 3.14f, 10, kOrange.r, kOrange.g, kOrange.b,
                        centreX - 2.36f, centreY - 2.29f);
}

namespace {

void outlineThenFill(float x1, float x2, float y1, float y2, GlColour fill) {
  setColour(kBlack);
  drawLine(x1, y1, x2, y1);  // bottom
  drawLine(x1, y2, x2, y2);  // top
  drawLine(x2, y1, x2, y2);  // right
  drawLine(x1, y1, x1, y2);  // left
  setColour(fill);
  fillQuad(x1, y1, x2, y1, x2, y2, x1, y2);
}

// The robot figure, head toward "N" in its own frame.
void drawFigure(const float* cosTable, const float* sinTable, float s) {
  glLineWidth(0.5f);
  outlineThenFill(-0.25f, 0.25f, 0.75f, 1.25f, kYellowGreen);  // sensor head

  glLineWidth(2);
  setColour(kBlack);
  drawLine(-0.5f, 0.75f, 0.5f, 0.75f);    // top
  drawLine(-0.5f, -0.75f, 0.5f, -0.75f);  // bottom
  drawLine(0.5f, -0.75f, 0.5f, 0.75f);    // right
  drawLine(-0.5f, -0.75f, -0.5f, 0.75f);  // left
  setColour(kRed);
  fillQuad(-0.5f, -0.75f, 0.5f, -0.75f, 0.5f, 0.75f, -0.5f, 0.75f);

  setColour(kBlack);
  for (float x1 : {0.5f, -0.8f}) {
    for (float y1 : {0.05f, -0.65f})
      fillQuad(x1, y1, x1 + 0.3f, y1, x1 + 0.3f, y1 + 0.6f, x1, y1 + 0.6f);
  }

  // Turning scale: sixteen ticks every 22.5 degrees.
  setColour(kOrange);
  glLineWidth(2);
  for (int k = 0; k < 8; ++k) {
    const float c = cosTable[45 * k], sn = sinTable[45 * k];
    drawLine(1.35f * s * c, 1.35f * s * sn, 1.5f * s * c, 1.5f * s * sn);
    drawLine(-1.35f * s * c, -1.35f * s * sn, -1.5f * s * c, -1.5f * s * sn);
  }
}

void drawHalfCircles(const float* cosTable, const float* sinTable, int count, float cx, float cy,
                     float rho) {
  for (int i = 0; i <= count - 2; ++i) {
    drawLine(cx + rho * cosTable[i], cy + rho * sinTable[i], cx + rho * cosTable[i + 1],
             cy + rho * sinTable[i + 1]);
    drawLine(cx - rho * cosTable[i], cy - rho * sinTable[i], cx - rho * cosTable[i + 1],
             cy - rho * sinTable[i + 1]);
  }
}

}  // namespace

void drawCompassShapes(const float* heading, const float* cosTable, const float* sinTable,
                       float centreX, float centreY, float scale) {
  const float cx = centreX, cy = centreY, s = scale;
  const float degrees = *heading * 180 / 3.14f;
  glPushMatrix();
  glTranslatef(cx, cy, 0);
  glRotatef(degrees, 0, 0, 1);
  drawFigure(cosTable, sinTable, s);
  glPopMatrix();
}

void drawCompassFixed(const float* cosTable, const float* sinTable, int count, float centreX,
                      float centreY, float scale) {
  const float cx = centreX, cy = centreY, s = scale;
  glPushMatrix();
  glLineWidth(0.5f);
  setColour(kOrange);
  drawHalfCircles(cosTable, sinTable, count, cx, cy, 1.5f * s);
  setColour(kBlue);
  drawHalfCircles(cosTable, sinTable, count, cx, cy, 1.85f * s);

  glLineWidth(2);
  for (int k = 0; k < 4; ++k) {
    const float c = cosTable[90 * k], sn = sinTable[90 * k];
    drawLine(cx + 1.85f * s * c, cy + 1.85f * s * sn, cx + 1.7f * s * c, cy + 1.7f * s * sn);
    drawLine(cx - 1.85f * s * c, cy - 1.85f * s * sn, cx - 1.7f * s * c, cy - 1.7f * s * sn);
  }

  drawLine(cx + 2.5f, cy - 2.5f, cx + 2.5f, cy + 2.5f);  // right
  drawLine(cx - 2.5f, cy + 2.5f, cx + 2.5f, cy + 2.5f);  // top
  drawLine(cx - 2.5f, cy - 2.5f, cx + 2.5f, cy - 2.5f);  // bottom
  drawLine(cx - 2.5f, cy - 2.5f, cx - 2.5f, cy + 2.5f);  // left
  setColour(kGrey);
  fillQuad(cx + 2.5f, cy + 2.5f, cx + 2.5f, cy - 2.5f, cx - 2.5f, cy - 2.5f, cx - 2.5f, cy + 2.5f);
  glPopMatrix();
}

void drawCompass(const float* heading, const float* cosTable, const float* sinTable, int count,
                 float centreX, float centreY, float scale) {
  drawCompassLabels(centreX, centreY);
  drawCompassTexts(heading, centreX, centreY);
  drawCompassShapes(heading, cosTable, sinTable, centreX, centreY, scale);
  drawCompassFixed(cosTable, sinTable, count, centreX, centreY, scale);
}
