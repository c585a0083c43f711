// CoLa-A: the framing between STX and ETX, the fields of LMDscandata in the
// layouts the scanner families send (with and without remission, in 16 or 8
// bits, scaled, with the blocks after the channels), and the distances placed
// at the station's half degrees.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "scanner/cola_fields.h"
#include "scanner/cola_framer.h"
#include "scanner/lmd_scandata.h"

namespace {
struct Telegrams : ColaTelegramSink {
  std::vector<std::string> texts;
  void onTelegram(std::string_view text) override { texts.emplace_back(text); }
};

std::string hexNumber(long value) {
  char text[16];
  std::snprintf(text, sizeof text, "%lX", value);
  return text;
}

// A channel block: name, scale, offset, start angle, step, count, values.
std::string channel(const std::string& name, const char* scale, const char* offset,
                    const std::string& start, long step, const std::vector<long>& values) {
  std::string t = name;
  for (const std::string& field : {std::string(scale), std::string(offset), start, hexNumber(step),
                                   hexNumber(static_cast<long>(values.size()))}) {
    t += ' ';
    t += field;
  }
  for (long v : values) {
    t += ' ';
    t += hexNumber(v);
  }
  return t;
}

// The header of a TiM 5xx scan (fields of a real one), then what follows.
std::string scandata(const std::string& kind, const std::string& channels16,
                     const std::string& channels8, const std::string& tail = "0 0 0 0 0") {
  return kind + " LMDscandata 1 1 151FDC8 0 0 EC4B EDD5 85BF655E 85BF9621 0 0 3E 0 0 5DC 21C 0 " +
         channels16 + " " + channels8 + " " + tail;
}

// first + 10 k: distances a centimetre apart, so a reading tells which value it took.
std::vector<long> ramp(int count, long first) {
  std::vector<long> v;
  for (int k = 0; k < count; ++k) v.push_back(first + 10 * k);
  return v;
}

const char* const kOne = "3F800000";
const char* const kZero = "00000000";
const std::string kMinus45 = "FFF92230";  // -45 degrees in 1/10000, two's complement
}  // namespace

TEST(ColaFramer, TakesTelegramsBetweenStxAndEtxHoweverTheyAreCut) {
  const std::string a = "\x02sEA LMDscandata 1\x03";
  const std::string b = "\x02sSN LMDscandata 1 2 3\x03";
  struct Case {
    const char* name;
    std::string stream;
    std::vector<std::string> texts;
    long garbage, cut;
  };
  const Case cases[] = {
      {"two telegrams", a + b, {"sEA LMDscandata 1", "sSN LMDscandata 1 2 3"}, 0, 0},
      {"garbage around",
       std::string("xy\r\n") + a + std::string("zz") + b + std::string("\x03"),
       {"sEA LMDscandata 1", "sSN LMDscandata 1 2 3"},
       7,
       0},
      // A telegram that a new STX cuts short is dropped; the next one stands.
      {"cut short", std::string("\x02sSN LMDsc") + b, {"sSN LMDscandata 1 2 3"}, 0, 1},
      {"empty", std::string("\x02\x03"), {""}, 0, 0},
  };
  std::mt19937 random(3);
  for (const Case& c : cases) {
    for (int cut : {0, 1, 2}) {
      ColaFramer framer;
      Telegrams found;
      for (std::size_t at = 0; at < c.stream.size();) {
        const std::size_t n = cut == 0 ? c.stream.size()
                              : cut == 1
                                  ? 1
                                  : std::min<std::size_t>(1 + random() % 5, c.stream.size() - at);
        framer.feed(c.stream.data() + at, n, found);
        at += n;
      }
      SCOPED_TRACE(std::string(c.name) + ", cut " + std::to_string(cut));
      EXPECT_EQ(found.texts, c.texts);
      EXPECT_EQ(framer.discards().garbageBytes, c.garbage);
      EXPECT_EQ(framer.discards().shortTelegrams, c.cut);
    }
  }
  // A telegram longer than any scan is dropped whole and the framer goes on.
  ColaFramer framer;
  Telegrams found;
  std::string huge(ColaFramer::kMaxTelegram + 12, 'A');
  huge.front() = '\x02';
  huge.back() = '\x03';
  framer.feed(huge.data(), huge.size(), found);
  framer.feed(a.data(), a.size(), found);
  EXPECT_EQ(found.texts, std::vector<std::string>{"sEA LMDscandata 1"});
  EXPECT_EQ(framer.discards().shortTelegrams, 1);
  EXPECT_EQ(colaTelegram("sRN LMDscandata"), "\x02sRN LMDscandata\x03");
}

TEST(ColaFields, ReadsNumbersRealsAndTexts) {
  ColaFields f("1A2B +120 -5 FFFFFFFF 3F800000 5 A B C 123456789");
  uint32_t u = 0;
  int32_t s = 0;
  float r = 0;
  std::string_view text;
  ASSERT_TRUE(f.number(u));
  EXPECT_EQ(u, 0x1A2Bu);
  ASSERT_TRUE(f.number(u));
  EXPECT_EQ(u, 120u);
  ASSERT_TRUE(f.signedNumber(s));
  EXPECT_EQ(s, -5);
  ASSERT_TRUE(f.signedNumber(s));
  EXPECT_EQ(s, -1);
  ASSERT_TRUE(f.real(r));
  EXPECT_EQ(r, 1.0f);
  ASSERT_TRUE(f.number(u));
  ASSERT_TRUE(f.characters(u, text));
  EXPECT_EQ(text, "A B C");
  EXPECT_FALSE(f.number(u));  // nine digits: more than 32 bits
  for (const char* bad : {"", "G1", "-5", "+", "123456789", "1 2"}) {
    EXPECT_FALSE(colaNumber(bad, u)) << bad;
  }
}

TEST(LmdScandata, DecodesTheLayoutsOfTheFamilies) {
  struct Case {
    const char* name;
    std::string telegram;
    std::vector<std::pair<int, int>> readings;  // reading index, centimetres
    std::size_t channels16, channels8;
  };
  // Value k is 1000 + 10 k mm: the reading that takes it is 100 + k cm. A
  // 270-degree scanner from -45 degrees has 0 degrees at value 45 / step.
  const Case cases[] = {
      // TiM 5xx: 0.3333 degree, DIST1 alone. Reading 0 (0 degrees) is value
      // 135 (-0.0045 degrees), reading 1 (0.5 degree) value 137 (0.6621),
      // reading 2 (1 degree) value 138 (0.9954).
      {"DIST1 only, 0.3333 degree",
       scandata("sSN", "1 " + channel("DIST1", kOne, kZero, kMinus45, 3333, ramp(811, 1000)), "0"),
       {{0, 235}, {1, 237}, {2, 238}, {180, 505}, {360, 775}},
       1,
       0},
      // LMS 1xx: 0.25 and 0.5 degree, remission as a second 16-bit channel
      // before the distances.
      {"RSSI1 and DIST1 in 16 bits, 0.25 degree",
       scandata("sSN",
                "2 " + channel("RSSI1", kOne, kZero, kMinus45, 2500, ramp(1081, 200)) + " " +
                    channel("DIST1", kOne, kZero, kMinus45, 2500, ramp(1081, 1000)),
                "0"),
       {{0, 280}, {1, 282}, {180, 640}, {360, 1000}},
       2,
       0},
      {"RSSI1 in 8 bits, 0.5 degree, polled",
       scandata("sRA", "1 " + channel("DIST1", kOne, kZero, kMinus45, 5000, ramp(541, 1000)),
                "1 " + channel("RSSI1", kOne, kZero, kMinus45, 5000, ramp(541, 10))),
       {{0, 190}, {1, 191}, {180, 370}, {360, 550}},
       1,
       1},
      // 1 degree: a half degree between two values takes the smaller angle.
      {"1 degree",
       scandata("sSN", "1 " + channel("DIST1", kOne, kZero, kMinus45, 10000, ramp(271, 1000)), "0"),
       {{0, 145}, {1, 145}, {2, 146}, {3, 146}, {4, 147}, {360, 325}},
       1,
       0},
      // Scale 2 and offset 100 mm (LMS 5xx at long range): 2 (1000 + 10 k) + 100.
      {"scale and offset, signed decimal start",
       scandata("sSN",
                "1 " + channel("DIST1", "40000000", "42C80000", "-450000", 5000, ramp(541, 1000)),
                "0"),
       {{0, 390}, {360, 1110}},
       1,
       0},
      // A scanner of 70 degrees around ahead (LMS 4xxx): the rest uncovered.
      {"narrow field",
       scandata("sSN", "1 " + channel("DIST1", kOne, kZero, "86470", 833, ramp(841, 1000)), "0"),
       {{109, kNoReading}, {110, 100}, {180, 520}, {250, 940}, {251, kNoReading}},
       1,
       0},
      // No echo (0), dazzled (1) and the reserved values below 16.
      {"no echo",
       scandata("sSN", "1 " + channel("DIST1", kOne, kZero, "0", 5000, {0, 1, 15, 16, 4000}), "0"),
       {{0, kNoReading}, {1, kNoReading}, {2, kNoReading}, {3, 2}, {4, 400}, {5, kNoReading}},
       1,
       0},
  };
  for (const Case& c : cases) {
    LmdScan scan;
    ASSERT_EQ(decodeLmdScandata(c.telegram, scan), LmdResult::Scan) << c.name;
    EXPECT_EQ(scan.channels16.size(), c.channels16) << c.name;
    EXPECT_EQ(scan.channels8.size(), c.channels8) << c.name;
    EXPECT_EQ(scan.scanCounter, 0xEDD5u) << c.name;
    EXPECT_EQ(scan.scanFrequency, 1500u) << c.name;
    EXPECT_TRUE(scan.tailRead) << c.name;
    StationScan readings{};
    ASSERT_TRUE(lmdDistancesToStation(scan, readings)) << c.name;
    for (const auto& [i, cm] : c.readings) {
      EXPECT_EQ(readings[static_cast<std::size_t>(i)], cm) << c.name << ", reading " << i;
    }
  }
}

TEST(LmdScandata, ReadsTheBlocksAfterTheChannels) {
  const std::string dist = "1 " + channel("DIST1", kOne, kZero, kMinus45, 5000, ramp(541, 1000));
  struct Case {
    std::string tail;
    bool read, position, name, time;
    const char* deviceName;
  };
  const Case cases[] = {
      {"0 0 0 0 0", true, false, false, false, ""},
      {"0 1 9 LMS 511 A 0 1 7E8 5 1E C 0 3B 0 0", true, false, true, true, "LMS 511 A"},
      {"1 0 0 0 0 0 0 0 0 0 0 0 0 0 0", true, true, false, false, ""},
      {"0 1 2 AB 0 0 1 FDIN 10 20 30", true, false, true, false, "AB"},
      // An empty name: its length's separator is all that follows it, or the
      // telegram ends right after the length (which once read past the end).
      {"0 1 0 0 0 0", true, false, true, false, ""},
      {"0 1 0", false, false, true, false, ""},
      // A tail this reader does not understand leaves the scan standing.
      {"0 1 9 AB", false, false, true, false, ""},
      {"", false, false, false, false, ""},
  };
  for (const Case& c : cases) {
    LmdScan scan;
    const std::string telegram = scandata("sSN", dist, "0", c.tail);
    ASSERT_EQ(decodeLmdScandata(telegram, scan), LmdResult::Scan) << c.tail;
    EXPECT_EQ(scan.tailRead, c.read) << c.tail;
    if (c.read) {
      EXPECT_EQ(scan.hasPosition, c.position) << c.tail;
      EXPECT_EQ(scan.hasName, c.name) << c.tail;
      EXPECT_EQ(scan.hasTime, c.time) << c.tail;
      EXPECT_EQ(scan.deviceName, c.deviceName) << c.tail;
    }
    StationScan readings{};
    EXPECT_TRUE(lmdDistancesToStation(scan, readings)) << c.tail;
  }
}

TEST(LmdScandata, TellsOtherTelegramsAndRefusesBrokenScans) {
  const std::string dist3 = "1 " + channel("DIST1", kOne, kZero, kMinus45, 5000, {100, 200, 300});
  struct Case {
    const char* name;
    std::string telegram;
    LmdResult result;
  };
  const Case cases[] = {
      {"event answer", "sEA LMDscandata 1", LmdResult::NotScan},
      {"error answer", "sFA 5", LmdResult::NotScan},
      {"another read answer", "sRA STlms 7 0 8 00:00:00 8 01.0 1.06 0 0 0", LmdResult::NotScan},
      {"another event", "sSN LFErec 3 1 0 0", LmdResult::NotScan},
      {"header cut", "sSN LMDscandata 1 1 151FDC8 0 0 EC4B", LmdResult::Malformed},
      // Ten values counted, nine fields left in the whole telegram.
      {"fewer values than counted",
       scandata("sSN", "1 DIST1 3F800000 00000000 0 1388 A 64 C8 12C", "0"), LmdResult::Malformed},
      {"a value that is no number", scandata("sSN", "1 DIST1 3F800000 00000000 0 1388 2 64 Q", "0"),
       LmdResult::Malformed},
      {"a scale that is no real", scandata("sSN", "1 DIST1 1.0 00000000 0 1388 1 64", "0"),
       LmdResult::Malformed},
      {"too many channels", scandata("sSN", "17 " + dist3.substr(2), "0"), LmdResult::Malformed},
      {"8-bit channels missing", scandata("sSN", dist3, "").substr(0, 180), LmdResult::Malformed},
      {"a count no memory holds",
       scandata("sSN", "1 DIST1 3F800000 00000000 0 1388 FFFFFFF 1", "0"), LmdResult::Malformed},
  };
  for (const Case& c : cases) {
    LmdScan scan;
    EXPECT_EQ(decodeLmdScandata(c.telegram, scan), c.result) << c.name;
  }
  // Scan data that cannot be placed: no DIST1, no step, no usable scale.
  for (const std::string& channels : {"1 " + channel("RSSI1", kOne, kZero, "0", 5000, {100}),
                                      "1 " + channel("DIST1", kOne, kZero, "0", 0, {100}),
                                      "1 " + channel("DIST1", kZero, kZero, "0", 5000, {100}),
                                      "1 " + channel("DIST1", "7FC00000", kZero, "0", 5000, {100}),
                                      "1 " + channel("DIST1", kOne, kZero, "0", 5000, {})}) {
    LmdScan scan;
    ASSERT_EQ(decodeLmdScandata(scandata("sSN", channels, "0"), scan), LmdResult::Scan) << channels;
    StationScan readings{};
    EXPECT_FALSE(lmdDistancesToStation(scan, readings)) << channels;
  }
}
