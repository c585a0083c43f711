// The station's readings: the half-degree grid taken from other steps, the
// file's text, and the discard lines' pace.
#include "scanner/station_scan.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "scanner/link_discards.h"

TEST(StationScan, ResamplesEachStepToHalfDegrees) {
  struct Case {
    int64_t start, step;
    int count;
    std::vector<std::pair<int, int>> readings;  // reading index, value index (-1: none)
  };
  // Value k holds k, so a reading says which value it took.
  const Case cases[] = {
      {0, 5000, 361, {{0, 0}, {1, 1}, {360, 360}}},
      // Ties between two values take the smaller angle.
      {0, 10000, 181, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {359, 179}, {360, 180}}},
      {-450000, 3333, 811, {{0, 135}, {1, 137}, {2, 138}, {180, 405}, {360, 675}}},
      {-450000, 2500, 1081, {{0, 180}, {1, 182}, {360, 900}}},
      // Starting at 5 degrees: 4.5 degrees is half a step from value 0 and
      // still its; 4 degrees is nobody's. The same past the last value.
      {50000, 10000, 11, {{7, -1}, {8, -1}, {9, 0}, {10, 0}, {30, 10}, {31, 10}, {32, -1}}},
      // A scanner pointed off the half circle covers none of it.
      {-900000, 10000, 50, {{0, -1}, {360, -1}}},
  };
  for (const Case& c : cases) {
    std::vector<int> values;
    for (int k = 0; k < c.count; ++k) values.push_back(k);
    StationScan scan{};
    ASSERT_TRUE(resampleToStation(c.start, c.step, values.data(), values.size(), scan));
    for (const auto& [reading, value] : c.readings) {
      EXPECT_EQ(scan[static_cast<std::size_t>(reading)], value < 0 ? kNoReading : value)
          << "start " << c.start << ", step " << c.step << ", reading " << reading;
    }
  }
  StationScan untouched{};
  const int one = 5;
  EXPECT_FALSE(resampleToStation(0, 0, &one, 1, untouched));
  EXPECT_FALSE(resampleToStation(0, 5000, &one, 0, untouched));
}

TEST(StationScan, TheFileTextHoldsTheHeaderAndEveryReadingThenALineEnd) {
  StationScan scan{};
  for (int i = 0; i < kStationReadings; ++i)
    scan[static_cast<std::size_t>(i)] = i == 7 ? 8191 : 10 * i;
  std::string text = "left over from before";
  formatScanText(scan, text);
  ASSERT_EQ(text.back(), '\n');
  std::istringstream in(text);
  std::vector<long> numbers;
  for (long n; in >> n;) numbers.push_back(n);
  EXPECT_TRUE(in.eof());
  ASSERT_EQ(numbers.size(), 363u);
  EXPECT_EQ(numbers[0], -1);
  EXPECT_EQ(numbers[1], 361);
  EXPECT_EQ(numbers[2], 0);
  EXPECT_EQ(numbers[9], 8191);
  EXPECT_EQ(numbers[362], 3600);
}

TEST(DiscardReport, TellsTheFirstAtOnceThenAtMostOnceAMinute) {
  DiscardReport report;
  LinkDiscards totals;
  EXPECT_FALSE(report.due(totals, 0));
  totals.garbageBytes = 5;
  EXPECT_EQ(report.due(totals, 1000), "descartados 5 bytes de basura");
  totals.badCrc = 1;
  totals.garbageBytes = 6;
  EXPECT_FALSE(report.due(totals, 2000));
  EXPECT_FALSE(report.due(totals, 60999));
  // What came since the last line, only the kinds that came.
  EXPECT_EQ(report.due(totals, 61000), "descartados 1 byte de basura, 1 telegrama con CRC erroneo");
  EXPECT_FALSE(report.due(totals, 200000));
  totals.shortTelegrams = 3;
  EXPECT_EQ(report.due(totals, 200001), "descartados 3 telegramas cortos o mal formados");
}
