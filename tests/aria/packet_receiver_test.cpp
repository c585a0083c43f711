// The byte-stream receiver on untrusted input: what it keeps, what it drops,
// and that it always finds the next good packet.
#include <gtest/gtest.h>

#include <vector>

#include "aria/ar_commands.h"
#include "aria/ar_packet_receiver.h"

namespace {
struct Collect : PacketSink {
  std::vector<ReceivedPacket> packets;
  std::vector<PacketDiscard> discards;
  void onPacket(const ReceivedPacket& p) override { packets.push_back(p); }
  void onDiscard(PacketDiscard reason, int) override { discards.push_back(reason); }
  std::vector<int> types() const {
    std::vector<int> t;
    for (const auto& p : packets) t.push_back(p.type);
    return t;
  }
};

std::vector<uint8_t> wire(const WirePacket& p) {
  return {p.data(), p.data() + p.size};
}

std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> pieces) {
  std::vector<uint8_t> all;
  for (const auto& p : pieces) all.insert(all.end(), p.begin(), p.end());
  return all;
}

bool has(const std::vector<PacketDiscard>& v, PacketDiscard d) {
  return std::find(v.begin(), v.end(), d) != v.end();
}
}  // namespace

TEST(PacketReceiver, KeepsGoodPacketsAcrossNoise) {
  const auto a = wire(commandIntPacket(ArCommands::ENABLE, 1));
  const auto b = wire(commandIntPacket(ArCommands::VEL, -300));
  auto badSum = wire(commandIntPacket(ArCommands::SONAR, 1));
  badSum.back() ^= 0x01;
  const std::vector<uint8_t> tooLong = {0xFA, 0xFB, 201, 1, 2, 3};
  const std::vector<uint8_t> tooShort = {0xFA, 0xFB, 2, 0, 0};
  struct Case {
    const char* name;
    std::vector<uint8_t> stream;
    std::vector<int> types;
    PacketDiscard expectedDiscard;
  };
  const Case cases[] = {
      {"garbage between",
       cat({{1, 2, 3, 0xFA, 9}, a, {0xFB, 0xFB, 0x00}, b}),
       {4, 11},
       PacketDiscard::Garbage},
      {"bad checksum", cat({a, badSum, b}), {4, 11}, PacketDiscard::BadChecksum},
      {"N over 200", cat({tooLong, a}), {4}, PacketDiscard::BadLength},
      {"N under 3", cat({tooShort, b}), {11}, PacketDiscard::BadLength},
      // A header inside a broken packet is found again.
      {"hidden packet", cat({{0xFA, 0xFB, 20}, a, b}), {4, 11}, PacketDiscard::Stalled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{1000}}) {
      PacketReceiver r;
      Collect sink;
      int64_t t = 0;
      for (std::size_t i = 0; i < c.stream.size(); i += chunk) {
        r.feed(c.stream.data() + i, std::min(chunk, c.stream.size() - i), t, sink);
      }
      // Whatever is left partial stalls out.
      r.tick(t + 1000, sink);
      EXPECT_EQ(sink.types(), c.types) << "chunk " << chunk;
      EXPECT_TRUE(has(sink.discards, c.expectedDiscard)) << "chunk " << chunk;
      EXPECT_FALSE(r.midPacket());
    }
  }
}

TEST(PacketReceiver, GivesUpOnAPacketThatStallsForMoreThan100Ms) {
  const auto a = wire(commandIntPacket(ArCommands::ENABLE, 1));
  const auto b = wire(commandIntPacket(ArCommands::VEL, 200));
  PacketReceiver r;
  Collect sink;
  r.feed(a.data(), 5, 0, sink);  // half a packet
  r.tick(100, sink);             // not yet: exactly 100 ms
  EXPECT_TRUE(r.midPacket());
  r.tick(101, sink);
  EXPECT_FALSE(r.midPacket());
  EXPECT_TRUE(has(sink.discards, PacketDiscard::Stalled));
  // The tail of the stalled packet arriving late is skipped, the next is kept.
  r.feed(a.data() + 5, a.size() - 5, 300, sink);
  r.feed(b.data(), b.size(), 300, sink);
  EXPECT_EQ(sink.types(), std::vector<int>{11});
  EXPECT_EQ(sink.packets[0].dataSize, 3);
}

TEST(PacketReceiver, SlowButSteadyBytesAreNotAStall) {
  // 9600 baud: a long packet takes over 100 ms but no gap exceeds it.
  std::vector<uint8_t> data(190, 0x55);
  WirePacket p;
  ASSERT_TRUE(buildPacket(0x32, data.data(), static_cast<int>(data.size()), p));
  PacketReceiver r;
  Collect sink;
  for (int i = 0; i < p.size; ++i) r.feed(p.data() + i, 1, i, sink);  // 1 ms per byte
  ASSERT_EQ(sink.packets.size(), 1u);
  EXPECT_EQ(sink.packets[0].dataSize, 190);
  EXPECT_TRUE(sink.discards.empty());
}

TEST(PacketReceiver, LargestPacketPassesAndDataIsIntact) {
  std::vector<uint8_t> data(kPacketMaxData);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  WirePacket p;
  ASSERT_TRUE(buildPacket(0x20, data.data(), static_cast<int>(data.size()), p));
  WirePacket tooBig;
  EXPECT_FALSE(buildPacket(0x20, data.data(), static_cast<int>(data.size()) + 1, tooBig));
  PacketReceiver r;
  Collect sink;
  r.feed(p.data(), static_cast<std::size_t>(p.size), 0, sink);
  ASSERT_EQ(sink.packets.size(), 1u);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), sink.packets[0].data()));
}
