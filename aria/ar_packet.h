#pragma once
// Framing of the robot's packet protocol, both directions:
//   FA FB N <type or command> <data...> <checksum hi> <checksum lo>
// N counts the bytes after itself (type + data + 2) and never exceeds 200.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr uint8_t kPacketSync0 = 0xFA;
inline constexpr uint8_t kPacketSync1 = 0xFB;
inline constexpr int kPacketMaxCount = 200;  // largest N
inline constexpr int kPacketMinCount = 3;    // type + checksum
inline constexpr int kPacketMaxData = kPacketMaxCount - 3;
inline constexpr int kPacketMaxBytes = kPacketMaxCount + 3;

// Argument markers after a command byte.
inline constexpr uint8_t kArgPositiveInt = 0x3B;
inline constexpr uint8_t kArgNegativeInt = 0x1B;
inline constexpr uint8_t kArgString = 0x2B;

// 16-bit sum of byte pairs (first * 256 + second); an odd last byte is XORed
// into the low byte.
uint16_t packetChecksum(const uint8_t* bytes, std::size_t count);

// One whole packet on the wire, ready to write.
struct WirePacket {
  std::array<uint8_t, kPacketMaxBytes> bytes{};
  int size = 0;
  const uint8_t* data() const { return bytes.data(); }
};

// A received packet: its type (or command) byte and the data between it and
// the checksum.
struct ReceivedPacket {
  uint8_t type = 0;
  int dataSize = 0;
  std::array<uint8_t, kPacketMaxData> dataBytes{};
  const uint8_t* data() const { return dataBytes.data(); }
};

// Frames a type/command byte and its data. Returns false when the data does
// not fit in one packet.
bool buildPacket(uint8_t type, const uint8_t* data, int dataSize, WirePacket& out);

// Client commands in the argument forms of the protocol.
WirePacket commandPacket(uint8_t command);
// value is clamped to -32767 .. 32767 (the magnitude travels in 15 bits).
WirePacket commandIntPacket(uint8_t command, int value);
// Strings longer than fit are cut.
WirePacket commandStringPacket(uint8_t command, std::string_view text);

// The argument of a received command, as the robot side reads it.
struct CommandArgument {
  enum Kind { None, Int, String, Malformed } kind = None;
  int value = 0;          // Int
  std::string_view text;  // String: points into the packet's data
};
CommandArgument parseCommandArgument(const ReceivedPacket& packet);

// Little-endian field reader over a received packet's data; reading past the
// end yields 0 and marks the reader as short, so decoders stop where the
// packet ends.
class PacketFieldReader {
 public:
  explicit PacketFieldReader(const ReceivedPacket& p) : data_(p.data()), size_(p.dataSize) {}
  uint8_t u8();
  int8_t s8() { return static_cast<int8_t>(u8()); }
  uint16_t u16();
  int16_t s16() { return static_cast<int16_t>(u16()); }
  // A NUL-terminated string; an unterminated tail is taken as it is.
  std::string_view string();
  int remaining() const { return size_ - pos_; }
  bool ranShort() const { return short_; }

 private:
  const uint8_t* data_;
  int size_;
  int pos_ = 0;
  bool short_ = false;
};
