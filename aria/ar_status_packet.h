#pragma once
// The robot's status packet (type 0x32 stopped, 0x33 moving), both ways: the
// robot side builds it, the client side reads it.
#include <cstdint>

#include "aria/ar_packet.h"

struct ArStatusFields {
  uint8_t type = 0x32;
  uint16_t xCounts = 0;  // only the low 15 bits count
  uint16_t yCounts = 0;
  int16_t thUnits = 0;
  int16_t leftVel = 0;  // mm/s * VelConv
  int16_t rightVel = 0;
  uint8_t battery = 0;  // volts * 10
  uint16_t stallBumpers = 0;
  int16_t control = 0;
  uint16_t flags = 0;  // bit 0 motors enabled
  uint8_t compass = 0;
  // Optional tail, read when present.
  bool hasRotVel = false;
  int16_t rotVelTenthDeg = 0;  // deg/s * 10
};

inline constexpr uint16_t kStatusFlagMotorsEnabled = 0x0001;

// False when the packet ends before the sonar count (the fixed part).
bool decodeStatusPacket(const ReceivedPacket& packet, ArStatusFields& out);

// Builds a status packet with no sonar readings and the optional tail up to
// the rotational velocity.
WirePacket encodeStatusPacket(const ArStatusFields& fields);
