#pragma once
// The GPS and odometry panel: the last GPS position and step, and the
// odometry displacement, in two framed boxes.
#include "core/robot_controller.h"

// (panelX, panelY): the panel's reference point; scale is not used.
void drawPositionPanel(const RobotController& rc, float panelX, float panelY, float scale);
