#pragma once
// The GPS and odometry panel: the last GPS position and step, and the
// odometry displacement, in two framed boxes.
#include "state/robot_controller.h"

// (panelX, panelY): the panel's reference point; scale is not used.
void drawPositionPanel(const RobotController& rc, float panelX, float panelY, float scale);

// The same panel in pieces, for a frame that keeps the boxes as a picture
// that later drawing covers: labels (titles and captions, which never change
// and go into the picture), texts (the values), then fixed (the framed
// boxes), give the whole panel.
void drawPositionPanelLabels(float panelX, float panelY);
void drawPositionPanelTexts(const RobotController& rc, float panelX, float panelY);
void drawPositionPanelFixed(float panelX, float panelY);
