#include "gui/window_events.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWidget>
#include <QWindow>

namespace {
WindowMessageHandler messageHandler = nullptr;
bool repaintWanted = true;

WindowMessage makeMessage(WindowMessageType type, std::uint32_t wparam = 0, int width = 0,
                          int height = 0) {
  return WindowMessage{type, wparam, width, height};
}

bool handleKey(QKeyEvent* key, bool down) {
  std::uint32_t vk = virtualKeyFromToolkitKey(key->key());
  if (vk == 0) return false;
  // The toolkit repeats a held key as release/press pairs; only the presses
  // carry meaning (a held key stays down).
  if (!down && key->isAutoRepeat()) return true;
  deliverWindowMessage(
      makeMessage(down ? WindowMessageType::KeyDown : WindowMessageType::KeyUp, vk));
  return true;
}

}  // namespace

void setWindowMessageHandler(WindowMessageHandler handler) {
  messageHandler = handler;
}

bool deliverWindowMessage(const WindowMessage& message) {
  if (messageHandler == nullptr) return false;
  messageHandler(message);
  return true;
}

bool takeRepaintRequest() {
  const bool wanted = repaintWanted;
  repaintWanted = false;
  return wanted;
}

std::uint32_t virtualKeyFromToolkitKey(int key) {
  switch (key) {
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
      return 9;
    default:
      break;
  }
  // Letters and digits share their codes with the virtual keys.
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::uint32_t>(key);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint32_t>(key);
  return 0;
}

bool WindowEventFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      return handleKey(static_cast<QKeyEvent*>(event), true);
    case QEvent::KeyRelease:
      return handleKey(static_cast<QKeyEvent*>(event), false);
    case QEvent::Expose:
    case QEvent::UpdateRequest:
      if (watched == glWindow_) repaintWanted = true;
      return false;
    case QEvent::Resize:
      if (watched == glWindow_) {
        repaintWanted = true;
        QSize size = static_cast<QResizeEvent*>(event)->size() * glWindow_->devicePixelRatio();
        deliverWindowMessage(makeMessage(WindowMessageType::Size, 0, size.width(), size.height()));
      }
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (watched != glWindow_ || mouse->button() != Qt::LeftButton) return false;
      QPoint at = mouse->position().toPoint();
      deliverWindowMessage(makeMessage(event->type() == QEvent::MouseButtonPress
                                           ? WindowMessageType::LeftButtonDown
                                           : WindowMessageType::LeftButtonUp,
                                       0, at.x(), at.y()));
      return true;
    }
    case QEvent::Close:
      if (watched == glWindow_ || messageHandler == nullptr) return false;
      // The station decides when its window goes away.
      event->ignore();
      deliverWindowMessage(makeMessage(WindowMessageType::Close));
      return true;
    case QEvent::WindowStateChange:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate: {
      auto* frame = qobject_cast<QWidget*>(watched);
      if (frame == nullptr) return false;
      deliverWindowMessage(
          makeMessage(WindowMessageType::Activate,
                      activateParam(frame->isActiveWindow(), frame->isMinimized())));
      return false;
    }
    default:
      return false;
  }
}
