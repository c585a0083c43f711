#pragma once
// Turns the toolkit's events on the station window into window messages.
#include <QObject>

#include "gui/window_message.h"

class QWindow;

class WindowEventFilter : public QObject {
 public:
  // glWindow: the drawing area; the filter is also installed on the frame.
  explicit WindowEventFilter(QWindow* glWindow) : glWindow_(glWindow) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWindow* glWindow_;
};

// Hands queued messages to the handler (posted ones, in order).
// Hands one message to the handler at once; false when no handler is set.
bool deliverWindowMessage(const WindowMessage& message);
