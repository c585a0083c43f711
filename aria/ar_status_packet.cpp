#include "aria/ar_status_packet.h"

#include <vector>

bool decodeStatusPacket(const ReceivedPacket& packet, ArStatusFields& out) {
  PacketFieldReader r(packet);
  out.type = packet.type;
  out.xCounts = r.u16();
  out.yCounts = r.u16();
  out.thUnits = r.s16();
  out.leftVel = r.s16();
  out.rightVel = r.s16();
  out.battery = r.u8();
  out.stallBumpers = r.u16();
  out.control = r.s16();
  out.flags = r.u16();
  out.compass = r.u8();
  const int sonars = r.u8();
  if (r.ranShort()) return false;
  for (int i = 0; i < sonars && !r.ranShort(); ++i) {
    r.u8();
    r.u16();
  }
  // grip, anport, analog, digin, digout, battery*10 (u16), charge state, then
  // the rotational velocity.
  for (int i = 0; i < 5; ++i) r.u8();
  r.u16();
  r.u8();
  const int16_t rotVel = r.s16();
  out.hasRotVel = !r.ranShort();
  out.rotVelTenthDeg = out.hasRotVel ? rotVel : 0;
  return true;
}

namespace {
void putU16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x & 0xFF));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
}  // namespace

WirePacket encodeStatusPacket(const ArStatusFields& f) {
  std::vector<uint8_t> d;
  d.reserve(40);
  putU16(d, f.xCounts);
  putU16(d, f.yCounts);
  putU16(d, static_cast<uint16_t>(f.thUnits));
  putU16(d, static_cast<uint16_t>(f.leftVel));
  putU16(d, static_cast<uint16_t>(f.rightVel));
  d.push_back(f.battery);
  putU16(d, f.stallBumpers);
  putU16(d, static_cast<uint16_t>(f.control));
  putU16(d, f.flags);
  d.push_back(f.compass);
  d.push_back(0);                              // no sonar readings
  for (int i = 0; i < 5; ++i) d.push_back(0);  // grip, anport, analog, digin, digout
  putU16(d, static_cast<uint16_t>(f.battery * 10));
  d.push_back(0);  // charge state
  putU16(d, static_cast<uint16_t>(f.rotVelTenthDeg));
  WirePacket p;
  buildPacket(f.type, d.data(), static_cast<int>(d.size()), p);
  return p;
}
