#include "gui/station_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "gui/station_resources.h"
#include "gui/window_events.h"

namespace {
void addCommand(QMenu* menu, const char* label, int id) {
  QAction* action = menu->addAction(QString::fromUtf8(label));
  action->setData(id);
  QObject::connect(action, &QAction::triggered, [id] {
    deliverWindowMessage(WindowMessage{WindowMessageType::Command, commandParam(id), 0, 0});
  });
}
}  // namespace

void buildStationMenu(QMenuBar* bar) {
  QMenu* file = bar->addMenu(QStringLiteral("&Archivo"));
  QMenu* start = file->addMenu(QStringLiteral("&Inicio"));
  addCommand(start, "Modo Serial", res::kCmdSerialMode);
  QMenu* ip = start->addMenu(QStringLiteral("Modo IP"));
  addCommand(ip, "Robot &1", res::kCmdRobot1);
  addCommand(ip, "Robot &2", res::kCmdRobot2);
  addCommand(ip, "Mo&bileSim", res::kCmdMobileSim);
  QMenu* statistics = file->addMenu(QStringLiteral("&Estadisticas"));
  addCommand(statistics, "&Guardar", res::kCmdSaveStatistics);
  addCommand(file, "&Salir", res::kCmdExit);

  QMenu* laser = bar->addMenu(QStringLiteral("&Laser"));
  addCommand(laser, "5 m", res::kCmdLaser5);
  addCommand(laser, "10 m", res::kCmdLaser10);
  addCommand(laser, "25 m", res::kCmdLaser25);
  addCommand(laser, "50 m", res::kCmdLaser50);

  QMenu* help = bar->addMenu(QStringLiteral("&Ayuda"));
  addCommand(help, "In&formacion", res::kCmdAbout);
}
