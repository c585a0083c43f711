#include "gui/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "gui/gui_application.h"

namespace {
std::function<void(const MessageBoxRecord&)>& messageSink() {
  static std::function<void(const MessageBoxRecord&)> sink;
  return sink;
}
}  // namespace

void setMessageBoxSink(std::function<void(const MessageBoxRecord&)> sink) {
  messageSink() = std::move(sink);
}

void showMessageBox(const char* caption, const char* text, MessageIcon icon,
                    bool ownedByFocusWindow) {
  if (messageSink()) {
    messageSink()(MessageBoxRecord{caption, text, icon});
    return;
  }
  if (!ensureGuiApplication()) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
    return;
  }
  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  if (icon == MessageIcon::Warning) boxIcon = QMessageBox::Warning;
  if (icon == MessageIcon::Information) boxIcon = QMessageBox::Information;
  QWidget* owner = ownedByFocusWindow ? QApplication::focusWidget() : nullptr;
  if (owner != nullptr) owner = owner->window();
  QMessageBox box(boxIcon, QString::fromUtf8(caption), QString::fromUtf8(text), QMessageBox::Ok,
                  owner);
  box.exec();
}
