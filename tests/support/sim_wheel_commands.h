#pragma once
// The in-process simulator at the robot's own pace, and what its command log
// says of the wheel speeds the station sent.
#include <cstdint>

#include "sim/sim_server.h"

// Any free port, a status packet every 20 ms as a real robot's link gives.
inline SimOptions realTimeSim() {
  SimOptions o;
  o.port = 0;
  o.cycleMs = 20;
  return o;
}

// A VEL2's wheel speeds in mm/s: left in the high byte, right in the low one,
// 20 mm/s per unit.
struct Wheels {
  int left, right;
  bool operator==(const Wheels&) const = default;
};
inline Wheels decodeVel2(int value) {
  const auto packed = static_cast<std::uint16_t>(value);
  return {static_cast<std::int8_t>(packed >> 8) * 20, static_cast<std::int8_t>(packed & 0xff) * 20};
}

inline int countVel2(const SimServer& sim) {
  int n = 0;
  for (const auto& r : sim.commandLog()) n += r.name == "VEL2";
  return n;
}

// Whether the last VEL2 the simulator took asked for these wheel speeds.
inline bool lastVel2Is(const SimServer& sim, Wheels want) {
  bool match = false;
  for (const auto& r : sim.commandLog()) {
    if (r.name == "VEL2") match = decodeVel2(r.value) == want;
  }
  return match;
}
