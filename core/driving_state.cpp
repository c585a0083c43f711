#include "core/driving_state.h"

DrivingState driving;

void recomputeWheelSpeeds(DrivingState& d) {
  const double v = d.manualSpeed;
  const double w = d.manualTurn;
  const double track = d.wheelTrack;
  d.wheelSpeeds =
      WheelSpeeds{static_cast<float>(v + w * track / 2.0), static_cast<float>(v - w * track / 2.0)};
}

void stopDriving(DrivingState& d) {
  d.manualTurn = 0;
  d.manualSpeed = 0;
  d.wheelSpeeds = WheelSpeeds{};
  d.gamepadDriving = false;
  d.gamepadArmed = false;
}

bool keyActive(const DrivingState& d, int key) {
  const auto k = static_cast<std::size_t>(key);
  return d.keyDown[k].load() || d.keyTapped[k].load();
}

void clearKeyTaps(DrivingState& d) {
  for (auto& tapped : d.keyTapped) tapped = false;
}
