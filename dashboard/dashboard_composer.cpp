#include "dashboard/dashboard_composer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <bit>
#include <cstdint>

#include "dashboard/bitmap_glyphs.h"
#include "dashboard/compass.h"
#include "dashboard/fixed_picture.h"
#include "dashboard/laser_radar.h"
#include "dashboard/map_view.h"
#include "dashboard/position_panel.h"
#include "dashboard/speed_dial.h"
#include "dashboard/text_print.h"
#include "gui/cursor.h"

void drawDashboard(const RobotController& rc, const float* cosTable, const float* sinTable,
                   const DashboardInputs& inputs) {
  if (inputs.mouseButtonHeld) recentreCursor();

  glClearColor(0.831f, 0.816f, 0.784f, 0.0f);

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(0, 0, 16, 0, 0, 0, 0, 1, 0);

  // The instruments' static layer (scales, rings, frames, backgrounds) and
  // their labels (titles, captions, scale numbers) are the frame's
  // background, from a picture made once; then every instrument's changing
  // part, in the instruments' order, over it. Each instrument draws its
  // texts, then its changing shapes, then its fixed part; no changing part
  // reaches a label or another instrument's fixed part, so the pixels are
  // those of drawing each instrument whole, one after the other. The radar's
  // rings and disc follow the scan's length, its distance labels the range;
  // the arc tables are the view record's, the same for the whole run.
  const LaserScanView scan = laserScan(rc);
  struct Fixed {
    const float* cosTable;
    const float* sinTable;
    int readings;
    float range;
  } fixed{cosTable, sinTable, std::clamp(scan.count, 0, 361), rc.laserDisplayRange};
  const std::uint64_t content =
      (static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(fixed.range)) << 32) ^
      static_cast<std::uint64_t>(fixed.readings) ^ reinterpret_cast<std::uintptr_t>(cosTable) * 31 ^
      reinterpret_cast<std::uintptr_t>(sinTable) * 1009;
  // One pointer captured: no allocation for the function object.
  auto drawStaticLayer = [f = &fixed] {
    drawLaserRadarLabels(f->range, -2.7f, 0);
    drawLaserRadarFixed(f->cosTable, f->sinTable, f->readings, -2.7f, 0, 1.0f);
    drawCompassLabels(6.0f, 3.5f);
    drawCompassFixed(f->cosTable, f->sinTable, 361, 6.0f, 3.5f, 1.0f);
    drawSpeedDialLabels(6.0f, -1.75f, "FIJADO");
    drawSpeedDialFixed(f->cosTable, f->sinTable, 361, 6.0f, -1.75f, 1.0f);
    drawSpeedDialLabels(6.0f, -5.5f, "REAL");
    drawSpeedDialFixed(f->cosTable, f->sinTable, 361, 6.0f, -5.5f, 1.0f);
    drawPositionPanelLabels(-6.19f, -3.72f);
    drawPositionPanelFixed(-6.19f, -3.72f);
  };
  // The glyphs are captured before the picture is drawn, not inside it.
  prepareGlyphs();
  const bool pictured = startFrameWithFixedPicture(content, drawStaticLayer);

  // Off screen: prints nothing, but leaves texturing off and depth testing on,
  // the state every instrument below draws in.
  printText(10000, 10000, 0, "120");

  float ang_norte = rc.headingRad;
  float fijado = inputs.manualSpeed * 100;  // m/s to cm/s
  float real = rc.robotSpeed * 100;

  // The texts of every instrument in one batch: each instrument writes its
  // texts before anything else, and no text reaches another instrument's
  // shapes.
  beginGlyphBatch();
  drawLaserRadarTexts(-2.7f, 0);
  drawCompassTexts(&ang_norte, 6.0f, 3.5f);
  drawSpeedDialTexts(&fijado, 6.0f, -1.75f);
  drawSpeedDialTexts(&real, 6.0f, -5.5f);
  drawPositionPanelTexts(rc, -6.19f, -3.72f);
  endGlyphBatch();

  drawLaserRadarShapes(scan, cosTable, sinTable, scan.count, rc.laserDisplayRange, -2.7f, 0, 1.0f);
  drawCompassShapes(&ang_norte, cosTable, sinTable, 6.0f, 3.5f, 1.0f);
  drawSpeedDialShapes(&fijado, 120.0f, 6.0f, -1.75f, 1.0f);
  drawSpeedDialShapes(&real, 120.0f, 6.0f, -5.5f, 1.0f);
  drawMapView(rc, -0.07f, -3.85f);

  if (!pictured) {
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_TEXTURE_2D);
    drawStaticLayer();
    glPopAttrib();
  }

  // One flush for the whole frame: a software rasteriser splits its work at
  // every flush, so the texts do not flush one by one.
  glFlush();
}
