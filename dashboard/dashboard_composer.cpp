#include "dashboard/dashboard_composer.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "dashboard/compass.h"
#include "dashboard/laser_radar.h"
#include "dashboard/map_view.h"
#include "dashboard/position_panel.h"
#include "dashboard/speed_dial.h"
#include "dashboard/text_print.h"
#include "platform/cursor.h"

void drawDashboard(const RobotController& rc, const float* cosTable, const float* sinTable,
                   const DashboardInputs& inputs) {
  if (inputs.mouseButtonHeld) recentreCursor();

  glClearColor(0.831f, 0.816f, 0.784f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(0, 0, 16, 0, 0, 0, 0, 1, 0);

  // Off screen: prints nothing, but leaves texturing off and depth testing on,
  // the state every instrument below draws in.
  printText(10000, 10000, 0, "120");

  const LaserScanView scan = laserScan(rc);
  drawLaserRadar(scan, cosTable, sinTable, scan.count, rc.laserDisplayRange, -2.7f, 0, 1.0f);

  float ang_norte = rc.headingRad;
  drawCompass(&ang_norte, cosTable, sinTable, 361, 6.0f, 3.5f, 1.0f);

  float vel_desp = inputs.manualSpeed * 100;  // m/s to cm/s
  drawSpeedDial(&vel_desp, 120.0f, cosTable, sinTable, 361, 6.0f, -1.75f, 1.0f, "FIJADO");
  vel_desp = rc.robotSpeed * 100;
  drawSpeedDial(&vel_desp, 120.0f, cosTable, sinTable, 361, 6.0f, -5.5f, 1.0f, "REAL");

  drawPositionPanel(rc, -6.19f, -3.72f, 1.0f);
  drawMapView(rc, -0.07f, -3.85f);

  // One flush for the whole frame: a software rasteriser splits its work at
  // every flush, so the texts do not flush one by one.
  glFlush();
}
