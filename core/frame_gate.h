#pragma once
// When the frame loop draws. A frame is drawn when the window must be
// repainted, while the mouse button is held (the frame keeps the cursor
// centred), and when the operator's own input shown on the dashboard changed:
// at once. When only the data changed (robot, laser, GPS: each about ten
// times a second, unaligned), at most every kDataFramePeriod, which shows
// every change within that time without a frame for each of them.
#include <chrono>
#include <cstdint>

class FrameGate {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kDataFramePeriod = std::chrono::milliseconds(100);

  // What would be drawn now: fingerprints of the operator's input and of the
  // data. True when a frame should be drawn this pass (and counts it drawn).
  bool wanted(bool repaint, bool mouseHeld, std::uint64_t inputPrint, std::uint64_t dataPrint,
              Clock::time_point now);

 private:
  bool drawn_ = false;
  std::uint64_t inputPrint_ = 0;
  std::uint64_t dataPrint_ = 0;
  Clock::time_point lastFrame_{};
};
