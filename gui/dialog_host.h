#pragma once
// Modal dialogs as the station's dialog procedures see them: messages in
// (initialisation, a button, a field's new text, close), and a host to set a
// field's text and end the dialog with a result.
#include <string>

struct DialogMessage {
  enum class Type { Init, Command, FieldChanged, Close };
  Type type = Type::Init;
  int id = 0;        // control id of the button or field
  std::string text;  // the field's text, for FieldChanged
};

class DialogHost {
 public:
  virtual ~DialogHost() = default;
  virtual void setItemText(int id, const std::string& text) = 0;
  virtual void endDialog(int result) = 0;
};

using DialogProcedure = bool (*)(DialogHost&, const DialogMessage&);

// Runs dialog 103, 138 or 140 modally on the main thread until its procedure
// ends it (or the operator closes it). While it is open, redraw (when set) is
// called continuously, about 60 times a second, so the dashboard stays live.
// Returns the dialog's result, -1 when the dialog is unknown or cannot be shown.
int runStationDialog(int dialogId, DialogProcedure procedure, void (*redraw)());
