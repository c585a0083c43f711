#pragma once
// Command numbers (client to robot) and packet types (robot to client) of the
// robot's packet protocol.
#include <cstdint>

namespace ArCommands {
enum : uint8_t {
  PULSE = 0,
  OPEN = 1,
  CLOSE = 2,
  ENABLE = 4,
  SETA = 5,
  SETV = 6,
  SETO = 7,
  SETRV = 10,
  VEL = 11,
  HEAD = 12,
  CONFIG = 18,
  RVEL = 21,
  SETRA = 23,
  SONAR = 28,
  STOP = 29,
  VEL2 = 32,
  ESTOP = 55,
  GYRO = 58,
  BATTERYINFO = 62,
  SOUNDTOG = 92,
};
// The handshake commands share their numbers with the echoed packet types.
enum : uint8_t { SYNC0 = 0, SYNC1 = 1, SYNC2 = 2 };
}  // namespace ArCommands

namespace ArPacketTypes {
enum : uint8_t {
  SYNC0 = 0x00,
  SYNC1 = 0x01,
  SYNC2 = 0x02,
  CONFIG = 0x20,
  STATUS_STOPPED = 0x32,
  STATUS_MOVING = 0x33,
  GYRO = 0x98,
  RESET_A = 0xFE,
  RESET_B = 0xFF,
};
inline bool isStatus(uint8_t type) {
  return type == STATUS_STOPPED || type == STATUS_MOVING;
}
inline bool isReset(uint8_t type) {
  return type == RESET_A || type == RESET_B;
}
}  // namespace ArPacketTypes
