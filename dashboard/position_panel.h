#pragma once
// The GPS and odometry panel: the last GPS position and step, and the
// odometry displacement, in two framed boxes.
#include "state/robot_controller.h"

// (panelX, panelY): the panel's reference point; scale is not used.
void drawPositionPanel(const RobotController& rc, float panelX, float panelY, float scale);
