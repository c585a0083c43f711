// Framing, checksums, argument forms and the VEL2 packing, checked against
// the byte sequences the robot protocol documents.
#include <gtest/gtest.h>

#include <vector>

#include "aria/ar_commands.h"
#include "aria/ar_packet.h"
#include "aria/ar_vel2_packing.h"

namespace {
std::vector<uint8_t> bytes(const WirePacket& p) {
  return {p.data(), p.data() + p.size};
}

ReceivedPacket received(uint8_t type, std::vector<uint8_t> data) {
  ReceivedPacket p;
  p.type = type;
  p.dataSize = static_cast<int>(data.size());
  std::copy(data.begin(), data.end(), p.dataBytes.begin());
  return p;
}
}  // namespace

TEST(PacketCodec, CommandsMatchTheDocumentedBytes) {
  struct Case {
    WirePacket packet;
    std::vector<uint8_t> expected;
  };
  const Case cases[] = {
      {commandPacket(ArCommands::SYNC0), {0xFA, 0xFB, 0x03, 0x00, 0x00, 0x00}},
      {commandPacket(ArCommands::SYNC1), {0xFA, 0xFB, 0x03, 0x01, 0x00, 0x01}},
      {commandPacket(ArCommands::SYNC2), {0xFA, 0xFB, 0x03, 0x02, 0x00, 0x02}},
      {commandIntPacket(ArCommands::ENABLE, 1),
       {0xFA, 0xFB, 0x06, 0x04, 0x3B, 0x01, 0x00, 0x05, 0x3B}},
      {commandIntPacket(ArCommands::VEL2, packVel2(100, -100)),
       {0xFA, 0xFB, 0x06, 0x20, 0x3B, 0xFB, 0x05, 0x1B, 0x40}},
      // Negative ints travel as 1B and the magnitude.
      {commandIntPacket(ArCommands::VEL, -300),
       {0xFA, 0xFB, 0x06, 0x0B, 0x1B, 0x2C, 0x01, 0x37, 0x1C}},
  };
  for (const Case& c : cases) EXPECT_EQ(bytes(c.packet), c.expected);
}

TEST(PacketCodec, ChecksumFoldsAnOddByteIntoTheLowByte) {
  const uint8_t even[] = {0x12, 0x34, 0xFF, 0xFF};
  EXPECT_EQ(packetChecksum(even, 4), 0x1233);  // carry out of 16 bits is dropped
  const uint8_t odd[] = {0x12, 0x34, 0x56};
  EXPECT_EQ(packetChecksum(odd, 3), 0x1234 ^ 0x56);
}

TEST(PacketCodec, IntArgumentsAreClampedAndStringsCut) {
  const WirePacket big = commandIntPacket(ArCommands::SETV, 100000);
  EXPECT_EQ(big.bytes[4], kArgPositiveInt);
  EXPECT_EQ(big.bytes[5] | (big.bytes[6] << 8), 32767);
  const WirePacket small = commandIntPacket(ArCommands::SETV, -100000);
  EXPECT_EQ(small.bytes[4], kArgNegativeInt);
  EXPECT_EQ(small.bytes[5] | (small.bytes[6] << 8), 32767);

  const WirePacket s = commandStringPacket(50, std::string(500, 'a'));
  EXPECT_LE(s.bytes[2], kPacketMaxCount);
  EXPECT_EQ(s.size, s.bytes[2] + 3);
}

TEST(PacketCodec, RobotSideReadsEveryArgumentForm) {
  struct Case {
    std::vector<uint8_t> data;
    CommandArgument::Kind kind;
    int value;
    std::string text;
  };
  const Case cases[] = {
      {{}, CommandArgument::None, 0, ""},
      {{0x3B, 0x01, 0x00}, CommandArgument::Int, 1, ""},
      {{0x3B, 0xFF, 0x7F}, CommandArgument::Int, 32767, ""},
      {{0x1B, 0x2C, 0x01}, CommandArgument::Int, -300, ""},
      {{0x2B, 0x03, 'a', 'b', 'c', 0x00}, CommandArgument::String, 0, "abc"},
      {{0x3B, 0x01}, CommandArgument::Malformed, 0, ""},        // cut short
      {{0x2B, 0x09, 'a'}, CommandArgument::Malformed, 0, ""},   // length past the end
      {{0x77, 0x01, 0x00}, CommandArgument::Malformed, 0, ""},  // unknown marker
  };
  for (const Case& c : cases) {
    const ReceivedPacket packet = received(4, c.data);
    const CommandArgument arg = parseCommandArgument(packet);  // text points into packet
    EXPECT_EQ(arg.kind, c.kind);
    if (c.kind == CommandArgument::Int) {
      EXPECT_EQ(arg.value, c.value);
    }
    if (c.kind == CommandArgument::String) {
      EXPECT_EQ(std::string(arg.text), c.text);
    }
  }
}

TEST(Vel2Packing, SignsRoundingAndClamp) {
  struct Case {
    double left, right;
    int leftUnits, rightUnits;
  };
  const Case cases[] = {
      {100, -100, 5, -5},  // the documented example
      {-60, 120, -3, 6},        {0, 0, 0, 0},
      {9.9, 10, 0, 1},  // rounds to nearest, halves away from zero
      {-10, -29.9, -1, -1},     {-30, 30, -2, 2},
      {2540, -2540, 127, -127}, {5000, -5000, 127, -127},  // clamped
      {-64, 64, -3, 3},                                    // the station's turn speeds
      {800, 800, 40, 40},
  };
  for (const Case& c : cases) {
    const int16_t packed = packVel2(c.left, c.right);
    EXPECT_EQ(static_cast<int8_t>(static_cast<uint16_t>(packed) >> 8), c.leftUnits)
        << c.left << " " << c.right;
    EXPECT_EQ(static_cast<int8_t>(packed & 0xFF), c.rightUnits) << c.left << " " << c.right;
    // The robot side gets the wheels back, in 20 mm/s steps.
    const Vel2Wheels w = unpackVel2(packed);
    EXPECT_EQ(w.leftMmPerS, c.leftUnits * 20);
    EXPECT_EQ(w.rightMmPerS, c.rightUnits * 20);
  }
}

TEST(Vel2Packing, NonFiniteSpeedsStopTheWheel) {
  EXPECT_EQ(
      packVel2(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()),
      0);
}
