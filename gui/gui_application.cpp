#include "gui/gui_application.h"

#include <QApplication>
#include <memory>

#include "gui/display_probe.h"

bool ensureGuiApplication() {
  if (QApplication::instance() != nullptr) return true;
  DisplayProbe probe;
  if (!probe.reachable()) return false;
  static int argc = 1;
  static char name[] = "torva";
  static char* argv[] = {name, nullptr};
  // Lives until the process ends: the toolkit must not be torn down by static
  // destructors while its windows or threads may still be around.
  static QApplication* app = std::make_unique<QApplication>(argc, argv).release();
  QApplication::setQuitOnLastWindowClosed(false);
  return app != nullptr;
}
