#pragma once
// Modal message boxes with one OK button, as the station shows its failures.
// Tests install a sink to collect the texts instead of showing modal boxes.
// Without any display the text goes to standard error.
#include <functional>
#include <string>

enum class MessageIcon { None, Warning, Information };

struct MessageBoxRecord {
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::None;
};

// ownedByFocusWindow: the box belongs to the window that has the keyboard
// focus; otherwise it has no owner.
void showMessageBox(const char* caption, const char* text, MessageIcon icon,
                    bool ownedByFocusWindow = false);

// While a sink is set, boxes are handed to it and not shown. An empty
// function restores the real boxes.
void setMessageBoxSink(std::function<void(const MessageBoxRecord&)> sink);
