// Reading GGA sentences field by field.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "gga_decoding_helpers.h"
#include "gps/gga_sentence.h"

namespace {

struct Decoded {
  const char* name;
  std::string sentence;
  bool hasPosition;
  int latDegrees;
  double latMinutes;
  char latHemisphere;
  int lonDegrees;
  double lonMinutes;
  char lonHemisphere;
  bool hasAltitude;
  int altitude;
  bool hasTime;
  int hours, minutes, seconds;
};

TEST(GgaDecoding, FieldsAreReadFromTheirOwnText) {
  const Decoded cases[] = {
      {"real fix, seven decimals, three-digit longitude",
       "$GPGGA,213121.000,4404.1295864,N,12118.8685453,W,2,07,1.2,1102.537,M,-20.300,M,,0000*5F",
       true, 44, 4.1295864, 'N', 121, 18.8685453, 'W', true, 1102, true, 21, 31, 21},
      {"hundreds digit of longitude counts",
       withChecksum("$GPGGA,120000,3327.1234,S,10545.0,W,1,05,1.0,52.3,M,,M,,"), true, 33, 27.1234,
       'S', 105, 45.0, 'W', true, 52, true, 12, 0, 0},
      {"negative integer altitude, east, time without fraction",
       "$GPGGA,094736,5251.0094,N,00518.8172,E,1,12,0.60,-4,M,46.8,M,,*4B", true, 52, 51.0094, 'N',
       5, 18.8172, 'E', true, -4, true, 9, 47, 36},
      {"negative fractional altitude truncates toward zero",
       withChecksum("$GNGGA,000001.5,0100.00,S,06900.00,W,1,04,2.0,-0.7,M,,M,,"), true, 1, 0.0, 'S',
       69, 0.0, 'W', true, 0, true, 0, 0, 1},
      {"no checksum is accepted", "$GPGGA,235959,3327.12,S,07039.5,W,1,05,1.0,520.3,M,,M,,", true,
       33, 27.12, 'S', 70, 39.5, 'W', true, 520, true, 23, 59, 59},
      {"lower-case checksum digits",
       "$GPGGA,194051.00,4221.8238054,N,07101.9410555,W,1,00,3.3,10.862,M,-33.320,M,,*6c", true, 42,
       21.8238054, 'N', 71, 1.9410555, 'W', true, 10, true, 19, 40, 51},
      {"no fix: every field empty", "$GPGGA,,,,,,0,,,,M,,M,,*66", false, 0, 0, 0, 0, 0, 0, false, 0,
       false, 0, 0, 0},
      {"no fix: time without position", "$GPGGA,030851.00,,,,,0,03,9.93,,,,,,*59", false, 0, 0, 0,
       0, 0, 0, false, 0, true, 3, 8, 51},
      {"cold start placeholder with fix quality 0",
       withChecksum("$GPGGA,000000,8960.0000,N,00000.0000,E,0,00,99.9,0.0,M,,M,,"), false, 89, 60,
       'N', 0, 0, 'E', true, 0, true, 0, 0, 0},
      {"latitude without longitude", withChecksum("$GPGGA,101010,3327.12,S,,,1,05,1.0,,M,,M,,"),
       false, 33, 27.12, 'S', 0, 0, 0, false, 0, true, 10, 10, 10},
  };
  for (const Decoded& c : cases) {
    GgaSentence s;
    const GgaParse parse = parseGgaSentence(c.sentence, s);
    ASSERT_EQ(parse.status, GgaStatus::Accepted) << c.name << " field " << parse.badField;
    EXPECT_EQ(s.hasPosition, c.hasPosition) << c.name;
    EXPECT_EQ(s.hasTime, c.hasTime) << c.name;
    EXPECT_EQ(s.hasAltitude, c.hasAltitude) << c.name;
    if (c.latHemisphere != 0) {
      EXPECT_EQ(s.latitude.degrees, c.latDegrees) << c.name;
      EXPECT_NEAR(s.latitude.minutes, c.latMinutes, 1e-9) << c.name;
      EXPECT_EQ(s.latitude.hemisphere, c.latHemisphere) << c.name;
    }
    if (c.lonHemisphere != 0) {
      EXPECT_EQ(s.longitude.degrees, c.lonDegrees) << c.name;
      EXPECT_NEAR(s.longitude.minutes, c.lonMinutes, 1e-9) << c.name;
      EXPECT_EQ(s.longitude.hemisphere, c.lonHemisphere) << c.name;
    }
    if (c.hasAltitude) {
      EXPECT_EQ(s.altitude, c.altitude) << c.name;
    }
    if (c.hasTime) {
      EXPECT_EQ(s.hours, c.hours) << c.name;
      EXPECT_EQ(s.minutes, c.minutes) << c.name;
      EXPECT_EQ(s.seconds, c.seconds) << c.name;
    }
  }
}

TEST(GgaDecoding, ShorterFieldKeepsNothingOfTheSentenceBefore) {
  GgaSentence s;
  ASSERT_EQ(parseGgaSentence(withChecksum("$GPGGA,120000.00,3327.123456,S,07039.123456,W,1,05,1.0,"
                                          "1234.5,M,,M,,"),
                             s)
                .status,
            GgaStatus::Accepted);
  ASSERT_EQ(parseGgaSentence(withChecksum("$GPGGA,120001,3327.1,S,07039.5,W,1,05,1.0,7,M,,M,,"), s)
                .status,
            GgaStatus::Accepted);
  EXPECT_DOUBLE_EQ(s.latitude.minutes, 27.1);
  EXPECT_DOUBLE_EQ(s.longitude.minutes, 39.5);
  EXPECT_EQ(s.altitude, 7);
  EXPECT_EQ(s.seconds, 1);
}

TEST(GgaDecoding, OtherSentencesAndLowerCaseIdsAreIgnored) {
  for (const char* sentence : {
           "$GPRMC,213121.000,A,4404.1295864,N,12118.8685453,W,000.0,122.7,070416,,,D*72",
           "$GPGSA,A,3,09,23,08,11,27,28,,,,,,,2.5,1.2,2.2*39",
           "$gpgga,094736,5251.0094,N,00518.8172,E,1,12,0.60,-4,M,46.8,M,,*6B",
           "$GPGGAX,094736,5251.0094,N,00518.8172,E,1,12,0.60,-4,M,46.8,M,,",
           "$GLGGA,094736,5251.0094,N,00518.8172,E,1,12,0.60,-4,M,46.8,M,,",
           "$GPGG",
       }) {
    GgaSentence s;
    EXPECT_EQ(parseGgaSentence(sentence, s).status, GgaStatus::NotGga) << sentence;
  }
}

TEST(GgaDecoding, BadChecksumsAndMalformedFieldsDiscardTheSentence) {
  struct Bad {
    std::string sentence;
    GgaStatus status;
    std::string field;
  };
  const std::string good = "$GPGGA,094736,5251.0094,N,00518.8172,E,1,12,0.60,-4,M,46.8,M,,";
  const Bad cases[] = {
      {good + "*4C", GgaStatus::BadChecksum, ""},
      {good + "*4", GgaStatus::BadChecksum, ""},
      {good + "*4BB", GgaStatus::BadChecksum, ""},
      {good + "*G1", GgaStatus::BadChecksum, ""},
      // One character changed in transit, checksum of the original.
      {"$GPGGA,094736,5251.0094,N,00518.8172,E,1,12,0.60,-5,M,46.8,M,,*4B", GgaStatus::BadChecksum,
       ""},
      {withChecksum("$GPGGA,09a736,5251.0094,N,00518.8172,E,1,12,0.60,-4,M,,M,,"),
       GgaStatus::BadField, "hora"},
      {withChecksum("$GPGGA,946,5251.0094,N,00518.8172,E,1,12,0.60,-4,M,,M,,"), GgaStatus::BadField,
       "hora"},
      {withChecksum("$GPGGA,250000,5251.0094,N,00518.8172,E,1,12,0.60,-4,M,,M,,"),
       GgaStatus::BadField, "hora"},
      {withChecksum("$GPGGA,094736,52x1.0094,N,00518.8172,E,1,12,0.60,-4,M,,M,,"),
       GgaStatus::BadField, "latitud"},
      {withChecksum("$GPGGA,094736,5251.0094,X,00518.8172,E,1,12,0.60,-4,M,,M,,"),
       GgaStatus::BadField, "hemisferio N/S"},
      {withChecksum("$GPGGA,094736,5251.0094,,00518.8172,E,1,12,0.60,-4,M,,M,,"),
       GgaStatus::BadField, "hemisferio N/S"},
      {withChecksum("$GPGGA,094736,5251.0094,N,0051 8.8172,E,1,12,0.60,-4,M,,M,,"),
       GgaStatus::BadField, "longitud"},
      {withChecksum("$GPGGA,094736,5251.0094,N,00518.8172,S,1,12,0.60,-4,M,,M,,"),
       GgaStatus::BadField, "hemisferio E/W"},
      {withChecksum("$GPGGA,094736,5251.0094,N,00518.8172,E,1,12,0.60,4-,M,,M,,"),
       GgaStatus::BadField, "altitud"},
      {withChecksum("$GPGGA,094736,5251.0094,N,00518.8172,E,1,12,0.60,1.2.3,M,,M,,"),
       GgaStatus::BadField, "altitud"},
      {withChecksum("$GPGGA,094736,5251.0094,N,00518.8172,E,1,12,0.60,99999999,M,,M,,"),
       GgaStatus::BadField, "altitud"},
      {withChecksum("$GPGGA,094736,5251.0094,N,00518.8172,E,A,12,0.60,-4,M,,M,,"),
       GgaStatus::BadField, "calidad"},
      // A fix whose minutes or degrees are out of range is no position.
      {withChecksum("$GPGGA,094736,5260.0000,N,00518.8172,E,1,12,0.60,-4,M,,M,,"),
       GgaStatus::BadField, "latitud"},
      {withChecksum("$GPGGA,094736,9100.0000,N,00518.8172,E,1,12,0.60,-4,M,,M,,"),
       GgaStatus::BadField, "latitud"},
      {withChecksum("$GPGGA,094736,5251.0094,N,18100.0000,E,1,12,0.60,-4,M,,M,,"),
       GgaStatus::BadField, "longitud"},
      {withChecksum("$GPGGA,094736,5251.0094,N,00518.8172"), GgaStatus::BadField,
       "numero de campos"},
  };
  for (const Bad& c : cases) {
    GgaSentence s;
    s.altitude = 12345;
    const GgaParse parse = parseGgaSentence(c.sentence, s);
    EXPECT_EQ(parse.status, c.status) << c.sentence;
    EXPECT_EQ(std::string(parse.badField), c.field) << c.sentence;
    EXPECT_EQ(s.altitude, 12345) << "a discarded sentence leaves the output alone: " << c.sentence;
  }
}

}  // namespace
