#include "dashboard/laser_radar.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "dashboard/dashboard_colours.h"
#include "dashboard/text_print.h"

namespace {

constexpr int kTableEntries = 361;

bool withinRange(float reading, float range) {
  return reading >= 0 && reading < range;
}

// Scene units per window pixel at the plane z = 0, from the current camera.
float unitsPerPixel() {
  GLfloat projection[16], model[16];
  GLint viewport[4];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glGetFloatv(GL_MODELVIEW_MATRIX, model);
  glGetIntegerv(GL_VIEWPORT, viewport);
  // The plane's distance from the eye divides in a perspective projection.
  const float w = projection[11] != 0 ? -model[14] : 1.0f;
  const float pixels = projection[5] * static_cast<float>(viewport[3]) / 2 / w;
  return pixels > 0 ? 1 / pixels : 1.0f;
}

}  // namespace

void drawLaserRadarTexts(float centreX, float centreY) {
  const float cx = centreX, cy = centreY;
  struct Label {
    const char* text;
    float dx, dy;
  };
  constexpr Label kAngles[] = {{"0", 5.31f, 0.0f},
                               {"45", 3.54f, 3.73f},
                               {"90", -0.25f, 5.17f},
                               {"135", -4.37f, 3.73f},
                               {"180", -5.95f, 0.0f}};
  for (const Label& l : kAngles) {
    drawBitmapText(l.text, 18, kOrange.r, kOrange.g, kOrange.b, cx + l.dx, cy + l.dy);
  }
}

void drawLaserRadarLabels(float range, float centreX, float centreY) {
  const float cx = centreX, cy = centreY;
  drawBitmapText("SICK PLS101", 10, kBlue.r, kBlue.g, kBlue.b, cx - 5.92f, cy + 5.7f);
  struct Distance {
    float fraction;
    float dx;
  };
  constexpr Distance kDistances[] = {
      {0.25f, 0.69f}, {0.5f, -2.88f}, {0.75f, 3.19f}, {1.0f, -5.38f}};
  char text[64];
  for (const Distance& d : kDistances) {
    std::snprintf(text, sizeof text, "%2.2f [m]", static_cast<double>(range * d.fraction));
    drawBitmapText(text, 10, kOrange.r, kOrange.g, kOrange.b, cx + d.dx, cy - 0.52f);
  }
}

void drawLaserRadarShapes(const LaserScanView& ranges, const float* cosTable, const float* sinTable,
                          int count, float range, float centreX, float centreY, float scale) {
  const float cx = centreX, cy = centreY;
  const float R = 5 * scale;
  count = std::clamp(count, 0, std::min(kTableEntries, ranges.count));
  auto px = [&](int i, float rho) { return cx + rho * cosTable[i]; };
  auto py = [&](int i, float rho) { return cy + rho * sinTable[i]; };

  glPushMatrix();
  setColour(kBlue);
  glLineWidth(0.1f);
  drawLine(cx - R, cy, cx + R, cy);
  for (int entry : {90, 180, 270}) drawLine(px(entry, R), py(entry, R), cx, cy);

  // The rings come with the fixed part, after everything else; but ring
  // piece j went before scan segment i for j <= i, so where the two share a
  // pixel the ring shows. The ring pieces that may share a pixel with a scan
  // segment are drawn just before it: two one-pixel lines share a pixel only
  // within about two pixels of each other, so a ring counts when its radius
  // is within three pixels of the segment's, and its pieces back to the
  // angle those three pixels make at that radius.
  const float near = 3 * unitsPerPixel();
  const float rings[] = {R, R / 4, R / 2, 3 * R / 4};
  int ringDrawnTo[4] = {-1, -1, -1, -1};             // pieces already drawn, per ring
  constexpr float kStep = 0.5f * 3.14159265f / 180;  // radians per table entry
  for (int i = 0; i <= count - 3; ++i) {
    const float a = ranges[i];
    const float b = ranges[i + 1];
    if (!withinRange(a, range) || !withinRange(b, range)) continue;
    const float ra = R * a / range;
    const float rb = R * b / range;
    setColour(kBlue);
    glLineWidth(0.1f);
    for (int k = 0; k < 4; ++k) {
      const float rho = rings[k];
      if (rho < std::min(ra, rb) - near || rho > std::max(ra, rb) + near) continue;
      const float angle = rho > 2 * near ? std::asin(near / (rho - near)) : 3.2f;
      const int back = static_cast<int>(angle / kStep) + 2;
      for (int j = std::max(i - back, ringDrawnTo[k] + 1); j <= i; ++j) {
        drawLine(px(j, rho), py(j, rho), px(j + 1, rho), py(j + 1, rho));
      }
      ringDrawnTo[k] = std::max(ringDrawnTo[k], i);
    }
    setColour(kOrange);
    glLineWidth(0.1f);
    drawLine(px(i, ra), py(i, ra), px(i + 1, rb), py(i + 1, rb));
  }
  glPopMatrix();
}

void drawLaserRadarFixed(const float* cosTable, const float* sinTable, int count, float centreX,
                         float centreY, float scale) {
  const float cx = centreX, cy = centreY;
  const float R = 5 * scale;
  count = std::clamp(count, 0, kTableEntries);
  auto px = [&](int i, float rho) { return cx + rho * cosTable[i]; };
  auto py = [&](int i, float rho) { return cy + rho * sinTable[i]; };

  glPushMatrix();
  setColour(kBlue);
  glLineWidth(0.1f);
  for (int i = 0; i <= count - 3; ++i) {
    for (float rho : {R, R / 4, R / 2, 3 * R / 4}) {
      drawLine(px(i, rho), py(i, rho), px(i + 1, rho), py(i + 1, rho));
    }
  }

  // The dark half-disc under the scan.
  setColour(kBlack);
  glLineWidth(1);
  for (int i = 0; i <= count - 2; ++i) {
    glBegin(GL_TRIANGLES);
    glVertex2f(px(i, R), py(i, R));
    glVertex2f(px(i + 1, R), py(i + 1, R));
    glVertex2f(cx, cy);
    glEnd();
  }

  setColour(kBlue);
  glLineWidth(2);
  drawLine(cx + 6, cy + 6, cx + 6, cy - 1);
  drawLine(cx - 6, cy + 6, cx + 6, cy + 6);
  drawLine(cx - 6, cy - 1, cx + 6, cy - 1);
  drawLine(cx - 6, cy + 6, cx - 6, cy - 1);

  setColour(kGrey);
  fillQuad(cx + 6, cy + 6, cx + 6, cy - 1, cx - 6, cy - 1, cx - 6, cy + 6);
  glPopMatrix();
}

void drawLaserRadar(const LaserScanView& ranges, const float* cosTable, const float* sinTable,
                    int count, float range, float centreX, float centreY, float scale) {
  drawLaserRadarLabels(range, centreX, centreY);
  drawLaserRadarTexts(centreX, centreY);
  drawLaserRadarShapes(ranges, cosTable, sinTable, count, range, centreX, centreY, scale);
  drawLaserRadarFixed(cosTable, sinTable, std::min(count, ranges.count), centreX, centreY, scale);
}
