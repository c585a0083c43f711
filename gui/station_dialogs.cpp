#include <QCloseEvent>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVariant>
#include <map>
#include <memory>

#include "gui/dialog_host.h"
#include "gui/gui_application.h"
#include "gui/station_menu.h"
#include "gui/station_resources.h"
#include "ui_about_dialog.h"
#include "ui_ip_dialog.h"
#include "ui_serial_dialog.h"

namespace {
int controlIdOf(const QObject* widget) {
  const QVariant id = widget->property("controlId");
  return id.isValid() ? id.toInt() : 0;
}

// A dialog built from its Designer file; closing it by the window's own
// button goes to the procedure as a close message.
class StationDialog : public QDialog, public DialogHost {
 public:
  explicit StationDialog(DialogProcedure procedure) : procedure_(procedure) {}

  void wireControls() {
    for (QPushButton* button : findChildren<QPushButton*>()) {
      const int id = controlIdOf(button);
      controls_[id] = button;
      connect(button, &QPushButton::clicked, this, [this, id] {
        send({DialogMessage::Type::Command, id, {}});
      });
    }
    for (QLineEdit* field : findChildren<QLineEdit*>()) {
      const int id = controlIdOf(field);
      controls_[id] = field;
      connect(field, &QLineEdit::textChanged, this, [this, id](const QString& text) {
        send({DialogMessage::Type::FieldChanged, id, text.toStdString()});
      });
    }
  }

  bool ended() const { return ended_; }

  void send(const DialogMessage& message) {
    if (!ended_) procedure_(*this, message);
  }

  void setItemText(int id, const std::string& text) override {
    const auto it = controls_.find(id);
    if (it == controls_.end()) return;
    if (auto* field = qobject_cast<QLineEdit*>(it->second)) {
      field->setText(QString::fromStdString(text));
    } else if (auto* button = qobject_cast<QPushButton*>(it->second)) {
      button->setText(QString::fromStdString(text));
    }
  }

  void endDialog(int result) override {
    ended_ = true;
    done(result);
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (!ended_) {
      event->ignore();
      send({DialogMessage::Type::Close, 0, {}});
      return;
    }
    QDialog::closeEvent(event);
  }
  // Escape closes the dialog as its window button does.
  void reject() override {
    if (!ended_) send({DialogMessage::Type::Close, 0, {}});
  }

 private:
  DialogProcedure procedure_;
  std::map<int, QWidget*> controls_;
  bool ended_ = false;
};

template <class Ui>
void build(StationDialog& dialog) {
  Ui ui;
  ui.setupUi(&dialog);
}
}  // namespace

int runStationDialog(int dialogId, DialogProcedure procedure, void (*redraw)()) {
  if (procedure == nullptr || !ensureGuiApplication()) return -1;
  StationDialog dialog(procedure);
  switch (dialogId) {
    case res::kDialogAbout:
      build<Ui_AboutDialog>(dialog);
      break;
    case res::kDialogIp:
      build<Ui_IpDialog>(dialog);
      break;
    case res::kDialogSerial:
      build<Ui_SerialDialog>(dialog);
      break;
    default:
      return -1;
  }
  dialog.wireControls();
  dialog.send({DialogMessage::Type::Init, 0, {}});
  if (dialog.ended()) return dialog.result();

  QTimer redrawTimer;
  if (redraw != nullptr) {
    QObject::connect(&redrawTimer, &QTimer::timeout, [redraw] { redraw(); });
    redrawTimer.start(16);
  }
  const int result = dialog.exec();
  // The keyboard goes back to the station's drawing area, not to whatever
  // held it when the dialog opened (the menu bar, after keyboard navigation).
  focusDrawingArea();
  return result;
}
