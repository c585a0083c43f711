#pragma once
// Window events as the station's window procedure takes them: one plain
// record per event, handed over on the main thread while pending events are
// processed.
#include <cstdint>

enum class WindowMessageType : std::uint8_t {
  Size,            // width, height: the new size of the drawing area
  Activate,        // wparam: see activateParam
  Close,           // the operator asked to close the window
  KeyDown,         // wparam: virtual-key code
  KeyUp,           // wparam: virtual-key code
  Command,         // wparam: see commandParam
  LeftButtonDown,  // width, height: cursor position in the drawing area
  LeftButtonUp,
};

struct WindowMessage {
  WindowMessageType type = WindowMessageType::Size;
  std::uint32_t wparam = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// An Activate message's parameter: the low half says whether the window is
// the active one, the high half whether it is minimised.
inline std::uint32_t activateParam(bool active, bool minimised) {
  return (active ? 1u : 0u) | (minimised ? 1u << 16 : 0u);
}
inline bool activateMinimised(std::uint32_t wparam) {
  return (wparam >> 16) != 0;
}

// A Command message's parameter: the menu command id in the low half (the
// high half tells where the command came from, and is not used).
inline std::uint32_t commandParam(int commandId) {
  return static_cast<std::uint16_t>(commandId);
}
inline int commandId(std::uint32_t wparam) {
  return static_cast<int>(wparam & 0xFFFFu);
}

using WindowMessageHandler = void (*)(const WindowMessage&);

// nullptr: events are dropped, and closing the window is left to the toolkit.
void setWindowMessageHandler(WindowMessageHandler handler);

// Virtual-key code for a toolkit key code, 0 when the station has none for it.
std::uint32_t virtualKeyFromToolkitKey(int toolkitKey);
