#include "aria/ar_config_packet.h"

#include <vector>

bool decodeConfigPacket(const ReceivedPacket& packet, ArConfigFields& out) {
  PacketFieldReader r(packet);
  out.robotType = std::string(r.string());
  out.subType = std::string(r.string());
  out.serialNumber = std::string(r.string());
  if (r.ranShort()) return false;
  r.u8();
  out.rotVelTop = r.u16();
  out.transVelTop = r.u16();
  out.rotAccelTop = r.u16();
  out.transAccelTop = r.u16();
  r.u16();  // PWM max
  out.name = std::string(r.string());
  out.cycleMs = r.u8();
  r.u8();   // host baud
  r.u8();   // aux baud
  r.u16();  // gripper
  r.u16();  // front sonar
  r.u8();   // rear sonar
  r.u16();  // low battery
  r.u16();  // revcount
  out.watchdogMs = r.u16();
  r.u8();                                // normal packets
  for (int i = 0; i < 16; ++i) r.u16();  // stall, joystick, limits and gains
  for (int i = 0; i < 5; ++i) r.u8();    // bumpers, charger, sonar cycle, autobaud
  const uint8_t gyro = r.u8();
  out.hasGyroType = !r.ranShort();
  out.gyroType = out.hasGyroType ? gyro : 0;
  return true;
}

namespace {
struct Writer {
  std::vector<uint8_t> d;
  void u8(uint8_t v) { d.push_back(v); }
  void u16(uint16_t v) {
    d.push_back(static_cast<uint8_t>(v & 0xFF));
    d.push_back(static_cast<uint8_t>(v >> 8));
  }
  void str(const std::string& s) {
    d.insert(d.end(), s.begin(), s.end());
    d.push_back(0);
  }
};
}  // namespace

WirePacket encodeConfigPacket(const ArConfigFields& f) {
  Writer w;
  w.str(f.robotType);
  w.str(f.subType);
  w.str(f.serialNumber);
  w.u8(0);
  w.u16(f.rotVelTop);
  w.u16(f.transVelTop);
  w.u16(f.rotAccelTop);
  w.u16(f.transAccelTop);
  w.u16(0);
  w.str(f.name);
  w.u8(f.cycleMs);
  w.u8(0);
  w.u8(0);
  w.u16(0);
  w.u16(0);
  w.u8(0);
  w.u16(0);
  w.u16(0);
  w.u16(f.watchdogMs);
  w.u8(0);
  for (int i = 0; i < 16; ++i) w.u16(0);
  for (int i = 0; i < 5; ++i) w.u8(0);
  w.u8(f.gyroType);
  WirePacket p;
  if (!buildPacket(0x20, w.d.data(), static_cast<int>(w.d.size()), p)) {
    // Over-long strings: send what fits, the reader stops where it ends.
    buildPacket(0x20, w.d.data(), kPacketMaxData, p);
  }
  return p;
}
