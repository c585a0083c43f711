#include "dashboard/position_panel.h"

#include <GL/gl.h>

#include <cstdio>

#include "dashboard/dashboard_colours.h"
#include "dashboard/text_print.h"

namespace {

constexpr const char kXPrefix[] = "Desp X [m]: ";
constexpr const char kYPrefix[] = "Desp Y [m]: ";

void orangeText(const char* text, float x, float y) {
  drawBitmapText(text, 12, kOrange.r, kOrange.g, kOrange.b, x, y);
}

void orangeNumberAfter(const char* caption, float value, float x, float y) {
  drawBitmapNumberAfter(caption, value, 12, kOrange.r, kOrange.g, kOrange.b, x, y);
}

void framedBox(float px, float py, float low, float high, bool rightSideFirstUp) {
  setColour(kBlue);
  glLineWidth(2);
  if (rightSideFirstUp) {
    drawLine(px + 2.5f, py + low, px + 2.5f, py + high);
    drawLine(px - 2.5f, py + low, px + 2.5f, py + low);    // bottom
    drawLine(px - 2.5f, py + high, px + 2.5f, py + high);  // top
  } else {
    drawLine(px + 2.5f, py + high, px + 2.5f, py + low);
    drawLine(px - 2.5f, py + high, px + 2.5f, py + high);  // top
    drawLine(px - 2.5f, py + low, px + 2.5f, py + low);    // bottom
  }
  drawLine(px - 2.5f, py + high, px - 2.5f, py + low);  // left
  setColour(kGrey);
  fillQuad(px + 2.5f, py + high, px + 2.5f, py + low, px - 2.5f, py + low, px - 2.5f, py + high);
}

}  // namespace

void drawPositionPanelLabels(float panelX, float panelY) {
  const float px = panelX, py = panelY;
  drawBitmapText("GPS NAVCOM", 10, kBlue.r, kBlue.g, kBlue.b, px - 2.42f, py + 2.19f);
  orangeText("Latitud", px - 1.79f, py + 1.46f);
  orangeText("Longitud", px - 1.79f, py + 1.05f);
  orangeText(kXPrefix, px - 1.79f, py + 0.4f);
  orangeText(kYPrefix, px - 1.79f, py - 0.01f);
  drawBitmapText("ODOMETRIA", 10, kBlue.r, kBlue.g, kBlue.b, px - 2.42f, py - 1.05f);
  orangeText(kXPrefix, px - 1.79f, py - 1.78f);
  orangeText(kYPrefix, px - 1.79f, py - 2.19f);
}

void drawPositionPanelTexts(const RobotController& rc, float panelX, float panelY) {
  const float px = panelX, py = panelY;
  char text[128];
  // 0xB0: the degree sign in the bitmap font's Latin-1 range.
  std::snprintf(text, sizeof text, ":  %d\xb0 : %2.2f' %c", rc.gpsLatDegrees.load(),
                static_cast<double>(rc.gpsLatMinutes.load()), rc.gpsLatHemisphere.load());
  orangeText(text, px - 0.29f, py + 1.46f);
  std::snprintf(text, sizeof text, ":  %d\xb0 : %2.2f' %c", rc.gpsLonDegrees.load(),
                static_cast<double>(rc.gpsLonMinutes.load()), rc.gpsLonHemisphere.load());
  orangeText(text, px - 0.29f, py + 1.05f);
  orangeNumberAfter(kXPrefix, rc.gpsDisplacementX.load(), px - 1.79f, py + 0.4f);
  orangeNumberAfter(kYPrefix, rc.gpsDisplacementY.load(), px - 1.79f, py - 0.01f);
  orangeNumberAfter(kXPrefix, rc.odoDisplacementX.load(), px - 1.79f, py - 1.78f);
  orangeNumberAfter(kYPrefix, rc.odoDisplacementY.load(), px - 1.79f, py - 2.19f);
}

void drawPositionPanelFixed(float panelX, float panelY) {
  const float px = panelX, py = panelY;
  glPushMatrix();
  framedBox(px, py, -0.5f, 2.5f, false);    // GPS box
  framedBox(px, py, -2.78f, -0.72f, true);  // odometry box
  glPopMatrix();
}

void drawPositionPanel(const RobotController& rc, float panelX, float panelY, float /*scale*/) {
  drawPositionPanelLabels(panelX, panelY);
  drawPositionPanelTexts(rc, panelX, panelY);
  drawPositionPanelFixed(panelX, panelY);
}
