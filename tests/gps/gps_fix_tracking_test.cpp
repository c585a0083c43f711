// From accepted sentences to the published fix, the reference point, the step
// and the console block.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "gga_decoding_helpers.h"
#include "gps/gps_reader_state.h"
#include "gps/utm_projection.h"
#include "shown_gps_blocks.h"
#include "state/robot_controller.h"
#include "tests/support/console_capture.h"

namespace {

// What one sentence gave: the console's text and the blocks shown.
struct Received {
  std::string text;
  std::vector<GpsStatusBlock> blocks;
};

struct Station {
  std::unique_ptr<RobotController> rc = std::make_unique<RobotController>();
  GpsReaderState state;

  // Feeds a sentence as reads of at most ten bytes.
  Received receive(const std::string& sentence, std::size_t firstRead = 10) {
    ConsoleCapture capture;
    ShownGpsBlocks shown;
    const std::string bytes = sentence + "\r\n";
    std::size_t read = firstRead;
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t n = std::min(read, bytes.size() - at);
      for (std::size_t i = 0; i < n; ++i) gpsByteReceived(state, *rc, bytes[at + i], int(i));
      at += n;
      read = 10;
    }
    return {capture.text(), shown.blocks()};
  }
  std::vector<GpsStatusBlock> blocks(const std::string& sentence) {
    return receive(sentence).blocks;
  }
};

// A fix at 33 degrees and the given minutes of latitude, 69 degrees and the
// given minutes of longitude (on the zone's central meridian, where east is
// grid east).
std::string fixAt(const char* time, double latMinutes, double lonMinutes, const char* alt = "520",
                  char ns = 'S', char ew = 'W') {
  char s[160];
  std::snprintf(s, sizeof s, "$GPGGA,%s,33%09.6f,%c,069%09.6f,%c,1,08,0.9,%s,M,,M,,", time,
                latMinutes, ns, lonMinutes, ew, alt);
  return withChecksum(s);
}

TEST(GpsFixTracking, FirstFixIsTheReferenceAndLaterFixesStepFromTheLastOne) {
  Station st;
  auto blocks = st.blocks(fixAt("120000", 27.0, 1.0));
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].relativeX, 0);
  EXPECT_EQ(blocks[0].relativeY, 0);
  EXPECT_EQ(blocks[0].stepLength, 0);
  EXPECT_EQ(blocks[0].ggaCount, 1);
  EXPECT_EQ(blocks[0].latitude.hemisphere, 'S');
  EXPECT_EQ(blocks[0].altitude, 520);

  // Move about 3 m east of 69 degrees 1 minute west: a minute of longitude
  // here is about 1550 m.
  const double east = 3.0 / 1550.0;
  blocks = st.blocks(fixAt("120001", 27.0, 1.0 - east));
  ASSERT_EQ(blocks.size(), 1u);
  const GpsStatusBlock second = blocks[0];
  EXPECT_NEAR(second.stepX, 3.0, 0.1);
  EXPECT_NEAR(second.stepY, 0.0, 0.01);
  EXPECT_NEAR(second.stepLength, std::hypot(second.stepX, second.stepY), 1e-9);
  EXPECT_NEAR(second.relativeX, second.stepX, 1e-5);

  // The step is from the last fix, not from the reference.
  blocks = st.blocks(fixAt("120002", 27.0, 1.0 - 2 * east));
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_NEAR(blocks[0].stepX, second.stepX, 0.01);
  EXPECT_NEAR(blocks[0].relativeX, 2 * second.relativeX, 0.02);
  EXPECT_EQ(blocks[0].ggaCount, 3);

  // Published in the station record, as the panel shows them.
  const RobotController& rc = *st.rc;
  EXPECT_FLOAT_EQ(rc.gpsDisplacementX, static_cast<float>(blocks[0].stepX));
  EXPECT_NEAR(rc.gpsDisplacementY, 0.0f, 0.01f);
  EXPECT_EQ(rc.gpsLatDegrees, 33);
  EXPECT_FLOAT_EQ(rc.gpsLatMinutes, 27.0f);
  EXPECT_EQ(rc.gpsLatHemisphere, 'S');
  EXPECT_EQ(rc.gpsLonDegrees, 69);
  EXPECT_NEAR(rc.gpsLonMinutes, 1.0 - 2 * east, 1e-5);
  EXPECT_EQ(rc.gpsLonHemisphere, 'W');
}

TEST(GpsFixTracking, NorthwardStepsShowAsNorthwardNorthOfTheEquator) {
  // About 5 m north (a minute of latitude is about 1852 m).
  const double north = 5.0 / 1852.0;
  for (char ns : {'N', 'S'}) {
    Station st;
    st.receive(fixAt("120000", 21.0, 1.0, "10", ns));
    const double moved = ns == 'N' ? 21.0 + north : 21.0 - north;
    const auto blocks = st.blocks(fixAt("120001", moved, 1.0, "10", ns));
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_NEAR(blocks[0].stepY, 5.0, 0.05) << ns;
    EXPECT_EQ(st.rc->gpsLatHemisphere, ns);
  }
}

TEST(GpsFixTracking, SentencesWithoutPositionNeitherBecomeTheReferenceNorMoveIt) {
  Station st;
  // Cold start: nothing printed or published while there is no fix.
  for (const std::string& s : {std::string("$GPGGA,,,,,,0,,,,M,,M,,*66"),
                               std::string("$GPGGA,030851.00,,,,,0,03,9.93,,,,,,*59"),
                               withChecksum("$GPGGA,000000,8960.0000,N,00000.0000,E,0,00,99.9,"
                                            "0.0,M,,M,,")}) {
    const Received r = st.receive(s);
    EXPECT_EQ(r.text, "") << s;
    EXPECT_TRUE(r.blocks.empty()) << s;
  }
  EXPECT_EQ(st.rc->gpsLatHemisphere, 'S');
  EXPECT_EQ(st.rc->gpsLatDegrees, 0);

  const auto reference = st.blocks(fixAt("120000", 27.0, 39.0));
  ASSERT_EQ(reference.size(), 1u);
  EXPECT_EQ(reference[0].relativeX, 0);
  EXPECT_EQ(reference[0].ggaCount, 4);
  const auto moved = st.blocks(fixAt("120001", 27.01, 39.0, "521"));
  ASSERT_EQ(moved.size(), 1u);
  ASSERT_GT(std::fabs(moved[0].stepY), 10);

  // Lost fix: the last fix again, with a step of 0, the new time, the last altitude.
  const auto lost = st.blocks(withChecksum("$GPGGA,120002.00,,,,,0,03,9.93,,,,,,"));
  ASSERT_EQ(lost.size(), 1u);
  EXPECT_EQ(lost[0].stepX, 0);
  EXPECT_EQ(lost[0].stepY, 0);
  EXPECT_EQ(lost[0].stepLength, 0);
  EXPECT_EQ(lost[0].relativeY, moved[0].relativeY);
  EXPECT_EQ(lost[0].utm.y, moved[0].utm.y);
  EXPECT_NEAR(lost[0].latitude.minutes, 27.01, 1e-9);
  EXPECT_EQ(lost[0].altitude, 521);
  EXPECT_EQ(lost[0].seconds, 2);
  EXPECT_EQ(st.rc->gpsDisplacementY, 0.0f);
}

TEST(GpsFixTracking, BadSentencesGetOneLineAndChangeNothing) {
  Station st;
  st.receive(fixAt("120000", 27.0, 39.0));
  const std::string good = fixAt("120001", 27.5, 39.0);
  std::string corrupted = good;
  corrupted[20] = corrupted[20] == '1' ? '2' : '1';  // a digit of the latitude
  struct Case {
    std::string sentence;
    const char* line;
  };
  const Case cases[] = {
      {corrupted, "Sentencia GGA descartada: suma de verificacion incorrecta\n"},
      {withChecksum("$GPGGA,120001,33x7.5,S,07039.0,W,1,08,0.9,520,M,,M,,"),
       "Sentencia GGA descartada: campo latitud no valido\n"},
      // Built in place: GCC 12 misreads the copy out of a concatenation here
      // as running past the array.
      {std::string("$GPGGA,").append(150, '1'),
       "Sentencia NMEA descartada: mas de 120 caracteres\n"},
  };
  for (const Case& c : cases) {
    const Received r = st.receive(c.sentence);
    EXPECT_EQ(r.text, c.line);
    EXPECT_TRUE(r.blocks.empty());
  }
  EXPECT_FLOAT_EQ(st.rc->gpsLatMinutes, 27.0f);
  const auto next = st.blocks(good);
  ASSERT_EQ(next.size(), 1u);
  EXPECT_EQ(next[0].ggaCount, 2) << "discarded sentences are not counted";
}

// The one test of the printed block: the other tests read the block's record.
TEST(GpsFixTracking, BlockShowsTheFixAndTheIndexOfTheByteThatEndedTheSentence) {
  const std::string kClear = "\x1b[H\x1b[2J";  // a terminal's console clears first
  Station st;
  const std::string sentence =
      "$GPGGA,213121.000,4404.1295864,N,12118.8685453,W,2,07,1.2,1102.537,M,-20.300,M,,0000*5F";
  // The sentence is 87 bytes; a first read of 5 puts its CR at index 2 of the 10th read.
  const std::string printed = st.receive(sentence, 5).text;
  const UtmPoint utm = projectGeoToUtm({44, 4.1295864, 'N'}, {121, 18.8685453, 'W'});
  char utmLine[80];
  std::snprintf(utmLine, sizeof utmLine, "UTM: (%f,%f)\n\n", utm.x, utm.y);
  EXPECT_EQ(printed, kClear +
                         "Latitud: 44 g 4.129586 m N\n"
                         "Longitud: 121 g 18.868545 m W\n"
                         "Altitud: 1102\n"
                         "Tiempo: 21 h 31 m 21 s\n\n" +
                         utmLine +
                         "Posicion: (0.000000,0.000000)\n"
                         "Desplazamiento en X:0.000000 metros\n"
                         "Desplazamiento en Y:0.000000 metros\n"
                         "Desplazamiento total:0.000000 metros\n\n"
                         "2 iteraciones y 1 lineas \n\n");
}

}  // namespace
