#pragma once
// The station window's menu (menu 109). Its items hand their command ids to
// the window procedure as command messages.
class QMenuBar;

void buildStationMenu(QMenuBar* bar);

// Gives the keyboard back to the drawing area (defined with the window), so
// that the driving keys work again once a menu command is done.
void focusDrawingArea();
