#include "gui/event_loop_beat.h"

#include <QCoreApplication>
#include <QTimer>
#include <memory>

namespace {
std::unique_ptr<QTimer> beatTimer;
}  // namespace

bool setEventLoopBeat(void (*beat)(), int periodMs) {
  beatTimer.reset();
  if (beat == nullptr) return true;
  if (QCoreApplication::instance() == nullptr) return false;
  beatTimer = std::make_unique<QTimer>();
  beatTimer->setTimerType(Qt::PreciseTimer);
  QObject::connect(beatTimer.get(), &QTimer::timeout, [beat] { beat(); });
  beatTimer->start(periodMs);
  beat();
  return true;
}
