#include "aria/ar_packet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

uint16_t packetChecksum(const uint8_t* bytes, std::size_t count) {
  uint32_t sum = 0;
  std::size_t i = 0;
  for (; i + 1 < count; i += 2) {
    sum += (static_cast<uint32_t>(bytes[i]) << 8) | bytes[i + 1];
    sum &= 0xFFFF;
  }
  if (i < count) sum ^= bytes[i];
  return static_cast<uint16_t>(sum);
}

bool buildPacket(uint8_t type, const uint8_t* data, int dataSize, WirePacket& out) {
  if (dataSize < 0 || dataSize > kPacketMaxData) return false;
  uint8_t* b = out.bytes.data();
  b[0] = kPacketSync0;
  b[1] = kPacketSync1;
  b[2] = static_cast<uint8_t>(dataSize + 3);
  b[3] = type;
  if (dataSize > 0) std::memcpy(b + 4, data, static_cast<std::size_t>(dataSize));
  const uint16_t sum = packetChecksum(b + 3, static_cast<std::size_t>(dataSize) + 1);
  b[4 + dataSize] = static_cast<uint8_t>(sum >> 8);
  b[5 + dataSize] = static_cast<uint8_t>(sum & 0xFF);
  out.size = dataSize + 6;
  return true;
}

WirePacket commandPacket(uint8_t command) {
  WirePacket p;
  buildPacket(command, nullptr, 0, p);
  return p;
}

WirePacket commandIntPacket(uint8_t command, int value) {
  value = std::clamp(value, -32767, 32767);
  const int magnitude = std::abs(value);
  const uint8_t data[3] = {value < 0 ? kArgNegativeInt : kArgPositiveInt,
                           static_cast<uint8_t>(magnitude & 0xFF),
                           static_cast<uint8_t>((magnitude >> 8) & 0xFF)};
  WirePacket p;
  buildPacket(command, data, 3, p);
  return p;
}

WirePacket commandStringPacket(uint8_t command, std::string_view text) {
  // marker + length byte + text + NUL must fit.
  const std::size_t length = std::min<std::size_t>(text.size(), kPacketMaxData - 3);
  std::array<uint8_t, kPacketMaxData> data{};
  data[0] = kArgString;
  data[1] = static_cast<uint8_t>(length);
  std::memcpy(data.data() + 2, text.data(), length);
  data[2 + length] = 0;
  WirePacket p;
  buildPacket(command, data.data(), static_cast<int>(length) + 3, p);
  return p;
}

CommandArgument parseCommandArgument(const ReceivedPacket& packet) {
  CommandArgument arg;
  const uint8_t* d = packet.data();
  const int n = packet.dataSize;
  if (n == 0) return arg;
  if ((d[0] == kArgPositiveInt || d[0] == kArgNegativeInt) && n >= 3) {
    const int magnitude = d[1] | (d[2] << 8);
    arg.kind = CommandArgument::Int;
    arg.value = d[0] == kArgNegativeInt ? -magnitude : magnitude;
    return arg;
  }
  if (d[0] == kArgString && n >= 2 && d[1] <= n - 2) {
    arg.kind = CommandArgument::String;
    arg.text = std::string_view(reinterpret_cast<const char*>(d + 2), d[1]);
    return arg;
  }
  arg.kind = CommandArgument::Malformed;
  return arg;
}

uint8_t PacketFieldReader::u8() {
  if (pos_ >= size_) {
    short_ = true;
    return 0;
  }
  return data_[pos_++];
}

uint16_t PacketFieldReader::u16() {
  if (pos_ + 2 > size_) {
    short_ = true;
    pos_ = size_;
    return 0;
  }
  const uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
  pos_ += 2;
  return v;
}

std::string_view PacketFieldReader::string() {
  if (pos_ >= size_) {
    short_ = true;
    return {};
  }
  const int start = pos_;
  while (pos_ < size_ && data_[pos_] != 0) ++pos_;
  std::string_view s(reinterpret_cast<const char*>(data_ + start),
                     static_cast<std::size_t>(pos_ - start));
  if (pos_ < size_) ++pos_;  // the NUL
  return s;
}
