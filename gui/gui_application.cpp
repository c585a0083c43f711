#include "gui/gui_application.h"

#include <QApplication>
#include <atomic>
#include <cstdio>
#include <memory>

#include "gui/display_probe.h"

namespace {
std::atomic<void (*)(const char*)> toolkitSink{nullptr};

// A fatal message still ends the process: the toolkit does that itself once
// the handler returns.
void toolkitMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
  if (auto sink = toolkitSink.load()) {
    sink(text.toLocal8Bit().constData());
  } else {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  }
}
}  // namespace

void setToolkitMessageSink(void (*sink)(const char* text)) {
  toolkitSink.store(sink);
  qInstallMessageHandler(sink != nullptr ? toolkitMessage : nullptr);
}

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
