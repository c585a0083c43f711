#include "core/frame_gate.h"

bool FrameGate::wanted(bool repaint, bool mouseHeld, std::uint64_t inputPrint,
                       std::uint64_t dataPrint, Clock::time_point now) {
  const bool inputChanged = !drawn_ || inputPrint != inputPrint_;
  const bool dataChanged = dataPrint != dataPrint_;
  const bool dataDue = dataChanged && now - lastFrame_ >= kDataFramePeriod;
  if (!repaint && !mouseHeld && !inputChanged && !dataDue) return false;
  drawn_ = true;
  inputPrint_ = inputPrint;
  dataPrint_ = dataPrint;
  lastFrame_ = now;
  return true;
}
