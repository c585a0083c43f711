#include "core/frame_gate.h"

#include <gtest/gtest.h>

namespace {
using namespace std::chrono_literals;
using Clock = FrameGate::Clock;
}  // namespace

// Passes of the frame loop, one a row: what changed, and whether a frame is drawn.
TEST(FrameGate, OperatorInputDrawsAtOnceAndDataAtMostEveryPeriod) {
  struct Pass {
    const char* what;
    Clock::duration at;
    bool repaint, mouse;
    std::uint64_t input, data;
    bool drawn;
  };
  const Pass passes[] = {
      {"first pass", 0ms, false, false, 1, 1, true},
      {"nothing new", 17ms, false, false, 1, 1, false},
      {"data, too soon", 33ms, false, false, 1, 2, false},
      {"data still waiting", 83ms, false, false, 1, 2, false},
      {"data, period over", 100ms, false, false, 1, 2, true},
      {"the set speed moves", 110ms, false, false, 2, 2, true},
      {"and again", 117ms, false, false, 3, 2, true},
      {"data right after", 133ms, false, false, 3, 3, false},
      {"repaint", 150ms, true, false, 3, 3, true},
      {"mouse held", 167ms, false, true, 3, 3, true},
      {"data behind the mouse frames", 183ms, false, true, 3, 4, true},
      {"released, nothing new", 200ms, false, false, 3, 4, false},
      {"data after a long quiet", 500ms, false, false, 3, 5, true},
  };
  FrameGate gate;
  const Clock::time_point start{};
  for (const Pass& p : passes) {
    EXPECT_EQ(gate.wanted(p.repaint, p.mouse, p.input, p.data, start + p.at), p.drawn) << p.what;
  }
}
