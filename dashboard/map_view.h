#pragma once
// The map view: the 128 x 128 cells around the robot in a framed square.
#include "state/robot_controller.h"

// (centreX, centreY): the square's centre; its half-size is 2.6.
void drawMapView(const RobotController& rc, float centreX, float centreY);
