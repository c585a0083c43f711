// The PLS / LMS 2xx serial protocol: the check and the telegrams as the
// scanners' published telegram listing prints them, the receiver on streams
// cut and spoilt in every way, and the measured values in both units.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "scanner/lms_receiver.h"
#include "scanner/lms_telegram.h"
#include "scanner/lms_values.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes hex(const std::string& text) {
  Bytes out;
  std::istringstream in(text);
  for (unsigned b; in >> std::hex >> b;) out.push_back(static_cast<uint8_t>(b));
  return out;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// What a receiver found, in order: "ack", "nak", or a frame as
// "ADDRESS:COMMAND+N" (N: the bytes after the command).
struct Found : LmsFrameSink {
  std::vector<std::string> events;
  void onAck() override { events.push_back("ack"); }
  void onNak() override { events.push_back("nak"); }
  void onFrame(const LmsFrame& f) override {
    char text[32];
    std::snprintf(text, sizeof text, "%02X:%02X+%d", f.address, f.command(), f.size - 1);
    events.push_back(text);
  }
};

// A measured-values telegram from the scanner: count word, values, status 0x10.
Bytes valuesTelegram(const std::vector<uint16_t>& values, unsigned unit) {
  std::vector<uint8_t> data;
  const unsigned word = static_cast<unsigned>(values.size()) | unit << 14;
  data.push_back(static_cast<uint8_t>(word & 0xFF));
  data.push_back(static_cast<uint8_t>(word >> 8));
  for (uint16_t v : values) {
    data.push_back(static_cast<uint8_t>(v & 0xFF));
    data.push_back(static_cast<uint8_t>(v >> 8));
  }
  return buildLmsTelegram(0x80, lms::kMeasuredValues, data, 0x10);
}
}  // namespace

// Telegrams printed with their check bytes in the scanners' telegram listing
// and quick manual: building them gives the same bytes, so the check is not
// merely consistent with itself.
TEST(LmsTelegram, BuildsTheTelegramsOfThePublishedListing) {
  struct Case {
    uint8_t address, command;
    Bytes data;
    int status;
    const char* printed;
  };
  const Case cases[] = {
      {0x00, 0x31, {}, -1, "02 00 01 00 31 15 12"},         // status
      {0x00, 0x20, {0x24}, -1, "02 00 02 00 20 24 34 08"},  // continuous
      {0x00, 0x20, {0x25}, -1, "02 00 02 00 20 25 35 08"},  // on request
      {0x00, 0x20, {0x40}, -1, "02 00 02 00 20 40 50 08"},  // 38400
      {0x00, 0x20, {0x41}, -1, "02 00 02 00 20 41 51 08"},  // 19200
      {0x00, 0x20, {0x42}, -1, "02 00 02 00 20 42 52 08"},  // 9600
      {0x00, 0x20, {0x48}, -1, "02 00 02 00 20 48 58 08"},  // 500000
      {0x00, 0x30, {0x01}, -1, "02 00 02 00 30 01 31 18"},  // one scan
      {0x00, 0x3B, {0xB4, 0x00, 0x32, 0x00}, -1, "02 00 05 00 3B B4 00 32 00 3B 1F"},
      {0x80, 0xA0, {0x00}, 0x10, "02 80 03 00 A0 00 10 16 0A"},  // mode answer
      {0x81, 0xA0, {0x00}, 0x10, "02 81 03 00 A0 00 10 36 1A"},  // from address 1
  };
  for (const Case& c : cases) {
    EXPECT_EQ(buildLmsTelegram(c.address, c.command, c.data, c.status), hex(c.printed))
        << c.printed;
  }
  EXPECT_EQ(lmsModeForBaud(38400), 0x40);
  EXPECT_EQ(lmsModeForBaud(500000), 0x48);
  EXPECT_EQ(lmsModeForBaud(115200), 0);
}

// Every stream is fed whole, byte by byte and in uneven pieces: what is found
// must not depend on how the line cut it.
TEST(LmsReceiver, FindsTelegramsInSpoiltStreamsHoweverTheyAreCut) {
  const Bytes answer = hex("02 80 03 00 A0 00 10 16 0A");
  Bytes badCheck = answer;
  badCheck.back() ^= 0x01;
  const Bytes scan = valuesTelegram({100, 200, 300}, 0);
  struct Case {
    const char* name;
    Bytes stream;
    std::vector<std::string> found;
    LinkDiscards discards;
  };
  const Case cases[] = {
      {"answer", answer, {"80:A0+2"}, {}},
      {"acknowledged answer", Bytes{0x06} + answer, {"ack", "80:A0+2"}, {}},
      {"refusal", Bytes{0x15}, {"nak"}, {}},
      {"garbage before STX", hex("FF 00 41 42 13") + answer, {"80:A0+2"}, {5, 0, 0}},
      {"bad check, then a good one", badCheck + scan, {"80:B0+9"}, {8, 1, 0}},
      // A lone STX with a length no telegram has hides the good one behind it.
      {"bogus STX", hex("02 80 FF 7F") + answer, {"80:A0+2"}, {4, 0, 0}},
      {"length zero", hex("02 80 00 00") + answer, {"80:A0+2"}, {3, 0, 1}},
      // A request is not an answer: its address is from the other end.
      {"request echoed", hex("02 00 02 00 20 24 34 08") + answer, {"80:A0+2"}, {8, 0, 0}},
      // A telegram cut short: its length swallows the next, whose STX is found again.
      {"cut telegram",
       Bytes(scan.begin(), scan.begin() + 9) + answer + scan,
       {"80:A0+2", "80:B0+9"},
       {8, 1, 0}},
      {"back to back",
       answer + scan + Bytes{0x06} + answer,
       {"80:A0+2", "80:B0+9", "ack", "80:A0+2"},
       {}},
  };
  std::mt19937 random(5);
  for (const Case& c : cases) {
    for (int cut : {0, 1, 2}) {
      LmsReceiver receiver(true);
      Found found;
      if (cut == 0) {
        receiver.feed(c.stream.data(), c.stream.size(), found);
      } else {
        for (std::size_t at = 0; at < c.stream.size();) {
          const std::size_t n =
              cut == 1 ? 1 : std::min<std::size_t>(1 + random() % 7, c.stream.size() - at);
          receiver.feed(c.stream.data() + at, n, found);
          at += n;
        }
      }
      SCOPED_TRACE(std::string(c.name) + ", cut " + std::to_string(cut));
      EXPECT_EQ(found.events, c.found);
      EXPECT_EQ(receiver.discards().garbageBytes, c.discards.garbageBytes);
      EXPECT_EQ(receiver.discards().badCrc, c.discards.badCrc);
      EXPECT_EQ(receiver.discards().shortTelegrams, c.discards.shortTelegrams);
    }
  }
}

TEST(LmsReceiver, TheScannerSideTakesRequestsAndNotAnswers) {
  LmsReceiver scannerSide(false);
  Found found;
  const Bytes stream = hex("02 80 03 00 A0 00 10 16 0A 02 00 02 00 20 24 34 08");
  scannerSide.feed(stream.data(), stream.size(), found);
  EXPECT_EQ(found.events, std::vector<std::string>{"00:20+1"});
}

TEST(LmsValues, DecodesBothUnitsAndTheNoEchoValues) {
  struct Case {
    const char* name;
    std::vector<uint16_t> values;
    unsigned unit;
    std::vector<int> readings;  // readings 0, 1, 2 (the first three values)
  };
  const Case cases[] = {
      {"centimetres", {150, 0, 8182}, 0, {150, 0, 8182}},
      {"millimetres, rounded", {1504, 1505, 8182}, 1, {150, 151, 818}},
      // No echo, dazzled and the codes just below 8191; the flag bits above
      // the distance do not change it.
      {"no echo", {8191, 8183, 8190}, 0, {8191, 8191, 8191}},
      {"no echo in mm", {8191 | 0xE000, 8185, 1000 | 0x2000}, 1, {8191, 8191, 100}},
  };
  for (const Case& c : cases) {
    std::vector<uint16_t> all = c.values;
    all.resize(361, 100);
    const Bytes t = valuesTelegram(all, c.unit);
    LmsValues values;
    ASSERT_EQ(decodeLmsValues(t.data() + 4, static_cast<int>(t.size()) - 6, values),
              LmsValuesResult::Taken)
        << c.name;
    StationScan scan{};
    ASSERT_TRUE(lmsValuesToStation(values, scan)) << c.name;
    EXPECT_EQ(std::vector<int>(scan.begin(), scan.begin() + 3), c.readings) << c.name;
    EXPECT_EQ(scan[360], c.unit == 0 ? 100 : 10) << c.name;
  }
}

// The count tells the scanner's variant, hence each value's angle.
TEST(LmsValues, PlacesEachVariantsValuesAtTheirAngles) {
  struct Case {
    int count;
    std::vector<std::pair<int, int>> readings;  // reading index, the value index it holds
  };
  // Value k holds k + 1, so a reading says which value it took (8191: none).
  const Case cases[] = {
      {361, {{0, 0}, {1, 1}, {180, 180}, {360, 360}}},
      // 1 degree: the half degrees between two values take the smaller angle.
      {181, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {360, 180}}},
      // 100 degrees centred ahead: 40 to 140 degrees.
      {401, {{79, -1}, {80, 0}, {81, 2}, {180, 200}, {280, 400}, {281, -1}}},
      {201, {{79, -1}, {80, 0}, {180, 100}, {280, 200}, {281, -1}}},
      // Half a step beyond the last angle is still that value's; farther is nothing.
      {101, {{78, -1}, {79, 0}, {80, 0}, {81, 0}, {82, 1}, {280, 100}, {281, 100}, {282, -1}}},
  };
  for (const Case& c : cases) {
    std::vector<uint16_t> values;
    for (int k = 0; k < c.count; ++k) values.push_back(static_cast<uint16_t>(k + 1));
    const Bytes t = valuesTelegram(values, 0);
    LmsValues decoded;
    ASSERT_EQ(decodeLmsValues(t.data() + 4, static_cast<int>(t.size()) - 6, decoded),
              LmsValuesResult::Taken);
    StationScan scan{};
    ASSERT_TRUE(lmsValuesToStation(decoded, scan)) << c.count;
    for (const auto& [reading, value] : c.readings) {
      EXPECT_EQ(scan[static_cast<std::size_t>(reading)], value < 0 ? kNoReading : value + 1)
          << c.count << " values, reading " << reading;
    }
  }
}

TEST(LmsValues, RefusesWhatDoesNotHoldItsValues) {
  const Bytes whole = valuesTelegram(std::vector<uint16_t>(361, 100), 0);
  const int size = static_cast<int>(whole.size()) - 6;
  LmsValues values;
  // One value byte short of its count, then a count of three with two.
  EXPECT_EQ(decodeLmsValues(whole.data() + 4, size - 1, values), LmsValuesResult::Short);
  const Bytes two = hex("B0 03 00 64 00 64 00 10");
  EXPECT_EQ(decodeLmsValues(two.data(), static_cast<int>(two.size()), values),
            LmsValuesResult::Short);
  EXPECT_EQ(decodeLmsValues(two.data(), 3, values), LmsValuesResult::Short);
  // A unit the family does not have.
  const Bytes strange = valuesTelegram({100}, 2);
  EXPECT_EQ(decodeLmsValues(strange.data() + 4, static_cast<int>(strange.size()) - 6, values),
            LmsValuesResult::Malformed);
  // A count that is none of the variants cannot be placed.
  const Bytes odd = valuesTelegram(std::vector<uint16_t>(100, 50), 0);
  ASSERT_EQ(decodeLmsValues(odd.data() + 4, static_cast<int>(odd.size()) - 6, values),
            LmsValuesResult::Taken);
  StationScan scan{};
  EXPECT_FALSE(lmsValuesToStation(values, scan));
}
