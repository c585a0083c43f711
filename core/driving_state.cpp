#include "core/driving_state.h"

#include "os/console_print.h"

DrivingState driving;

void recomputeWheelSpeeds(DrivingState& d) {
  const double v = d.manualSpeed;
  const double w = d.manualTurn;
  const double track = d.wheelTrack;
  d.wheelSpeeds =
      WheelSpeeds{static_cast<float>(v + w * track / 2.0), static_cast<float>(v - w * track / 2.0)};
}

namespace {
void stop(DrivingState& d) {
  d.manualTurn = 0;
  d.manualSpeed = 0;
  d.wheelSpeeds = WheelSpeeds{};
}

void stepTestPoint(Relaxed<float>& coordinate, double delta, const DrivingState& d) {
  coordinate = static_cast<float>(static_cast<double>(coordinate) + delta);
  consolePrintf("pos X= %f , pos Y= %f \n", static_cast<double>(d.testPointX),
                static_cast<double>(d.testPointY));
}
}  // namespace

bool keyActive(const DrivingState& d, int key) {
  const auto k = static_cast<std::size_t>(key);
  return d.keyDown[k].load() || d.keyTapped[k].load();
}

void clearKeyTaps(DrivingState& d) {
  for (auto& tapped : d.keyTapped) tapped = false;
}

void runDrivingSteps(DrivingState& d) {
  if (d.heartbeat.stopRequested.load(std::memory_order_relaxed)) {
    stop(d);
    d.heartbeat.stopRequested.store(false, std::memory_order_release);
  }
  if (d.turnHoldFrames != 0) {
    d.turnHoldFrames = d.turnHoldFrames - 1;
  } else {
    d.manualTurn = 0;
  }

  const auto held = [&d](int key) { return keyActive(d, key); };
  const float limit = d.maxManualSpeed;
  if (held(vk::kUp)) {
    if (d.manualSpeed < limit) {
      d.manualSpeed = static_cast<float>(static_cast<double>(d.manualSpeed) + 0.01);
    } else {
      d.manualSpeed = limit;
    }
    recomputeWheelSpeeds(d);
  }
  if (held(vk::kDown)) {
    if (d.manualSpeed > -limit) {
      d.manualSpeed = static_cast<float>(static_cast<double>(d.manualSpeed) - 0.01);
    } else {
      d.manualSpeed = -limit;
    }
    recomputeWheelSpeeds(d);
  }
  if (held(vk::kLeft)) {
    d.manualTurn = d.manualSpeed >= 0 ? -0.3f : 0.3f;
    d.turnHoldFrames = 10;
    recomputeWheelSpeeds(d);
  }
  if (held(vk::kRight)) {
    d.manualTurn = d.manualSpeed >= 0 ? 0.3f : -0.3f;
    d.turnHoldFrames = 10;
    recomputeWheelSpeeds(d);
  }
  if (held(vk::kSpace)) stop(d);
  if (held(vk::kA)) stepTestPoint(d.testPointX, -0.01, d);
  if (held(vk::kS)) stepTestPoint(d.testPointX, 0.01, d);
  if (held(vk::kD)) stepTestPoint(d.testPointY, -0.01, d);
  if (held(vk::kF)) stepTestPoint(d.testPointY, 0.01, d);
  clearKeyTaps(d);
}
