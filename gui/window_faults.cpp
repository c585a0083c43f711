#include "gui/window_faults.h"

#include <bitset>

namespace {
std::bitset<32> failingSteps;
}

void injectWindowFaults(std::initializer_list<WindowStep> steps) {
  for (WindowStep step : steps) failingSteps.set(static_cast<std::size_t>(step));
}

void clearWindowFaults() {
  failingSteps.reset();
}

bool windowStepFails(WindowStep step) {
  return failingSteps.test(static_cast<std::size_t>(step));
}
