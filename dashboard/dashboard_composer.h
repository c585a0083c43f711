#pragma once
// One frame of the dashboard: radar, compass, the "FIJADO" and "REAL" speed
// dials, the GPS and odometry panel and the map view, under a fixed camera.
// Main thread, with the station window's context current; the caller swaps.
#include "state/robot_controller.h"

// What the frame shows beside the station record, taken from the driving
// globals by the caller.
struct DashboardInputs {
  float manualSpeed = 0;         // set speed, m/s ("FIJADO")
  bool mouseButtonHeld = false;  // keep the cursor recentred
};

// cosTable and sinTable: the view record's 361 cosines and sines.
void drawDashboard(const RobotController& rc, const float* cosTable, const float* sinTable,
                   const DashboardInputs& inputs);
