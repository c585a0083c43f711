#include "gui/cursor.h"

#include <QCursor>
#include <QGuiApplication>

#include "gui/gui_application.h"

namespace {
bool cursorHidden = false;
constexpr ScreenPoint kRecentrePoint{320, 240};
}  // namespace

ScreenPoint cursorPosition() {
  if (!ensureGuiApplication()) return {};
  const QPoint at = QCursor::pos();
  return ScreenPoint{at.x(), at.y()};
}

void moveCursor(ScreenPoint to) {
  if (!ensureGuiApplication()) return;
  QCursor::setPos(to.x, to.y);
}

void recentreCursor() {
  const ScreenPoint mousePos = cursorPosition();
  if (mousePos != kRecentrePoint) moveCursor(kRecentrePoint);
}

void hideCursor() {
  if (cursorHidden || !ensureGuiApplication()) return;
  QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
  cursorHidden = true;
}

void showCursor() {
  if (!cursorHidden) return;
  QGuiApplication::restoreOverrideCursor();
  cursorHidden = false;
}
