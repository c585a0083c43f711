#pragma once
// The configuration packet (type 0x20), answer to CONFIG. Only the fields the
// layer uses are kept; the rest are walked over in order.
#include <cstdint>
#include <string>

#include "aria/ar_packet.h"

struct ArConfigFields {
  std::string robotType;
  std::string subType;
  std::string serialNumber;
  uint16_t rotVelTop = 0;
  uint16_t transVelTop = 0;
  uint16_t rotAccelTop = 0;
  uint16_t transAccelTop = 0;
  std::string name;
  uint8_t cycleMs = 100;
  uint16_t watchdogMs = 2000;
  bool hasGyroType = false;
  uint8_t gyroType = 0;
};

// Takes what is there; false only when not even the strings are present.
bool decodeConfigPacket(const ReceivedPacket& packet, ArConfigFields& out);
WirePacket encodeConfigPacket(const ArConfigFields& fields);
