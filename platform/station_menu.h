#pragma once
// The station window's menu (menu 109). Its items hand their command ids to
// the window procedure as command messages.
class QMenuBar;

void buildStationMenu(QMenuBar* bar);
