#pragma once
// Window events as the station's window procedure takes them: one plain
// record per event, handed over on the main thread while pending events are
// processed.
#include <cstdint>

enum class WindowMessageType : std::uint8_t {
  Size,            // width, height: the new size of the drawing area
  Activate,        // wparam: low word 1 active / 0 inactive, high word 1 when minimised
  Close,           // the operator asked to close the window
  KeyDown,         // wparam: virtual-key code
  KeyUp,           // wparam: virtual-key code
  Command,         // wparam: menu command id
  SystemCommand,   // wparam: system command code
  LeftButtonDown,  // width, height: cursor position in the drawing area
  LeftButtonUp,
};

struct WindowMessage {
  WindowMessageType type = WindowMessageType::Size;
  std::uint32_t wparam = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

using WindowMessageHandler = void (*)(const WindowMessage&);

// nullptr: events are dropped, and closing the window is left to the toolkit.
void setWindowMessageHandler(WindowMessageHandler handler);

// Queues a message as if the window had produced it (menus use it for their
// command ids); it is handed over by the next processPendingEvents().
void postWindowMessage(const WindowMessage& message);

// Virtual-key code for a toolkit key code, 0 when the station has none for it.
std::uint32_t virtualKeyFromToolkitKey(int toolkitKey);
