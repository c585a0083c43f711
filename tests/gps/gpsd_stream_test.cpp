// Naming gpsd in the GPS port's setting, and taking gpsd's own reports out of
// the stream it relays.
#include <gtest/gtest.h>

#include <string>

#include "gps/gpsd_setting.h"
#include "gps/gpsd_stream_filter.h"

namespace {

TEST(GpsdSetting, HostAndPortComeFromTheSettingWithLocalhost2947ByDefault) {
  struct Case {
    const char* setting;
    bool valid;
    const char* host;
    int port;
  };
  const Case cases[] = {
      {"gpsd", true, "localhost", 2947},
      {"gpsd:", true, "localhost", 2947},
      {"gpsd:robot-gps", true, "robot-gps", 2947},
      {"gpsd:10.0.0.7:3000", true, "10.0.0.7", 3000},
      {"gpsd::3000", true, "localhost", 3000},
      {"gpsd:[::1]:3001", true, "::1", 3001},
      {"gpsd:[fe80::1]", true, "fe80::1", 2947},
      {"gpsd:host:0", false, "", 0},
      {"gpsd:host:65536", false, "", 0},
      {"gpsd:host:29x", false, "", 0},
      {"gpsd:host:", false, "", 0},
      {"gpsd:::1:2947", false, "", 0},
      {"gpsd:[::1]x", false, "", 0},
      {"gpsd:[::1", false, "", 0},
      {"gpsdx", false, "", 0},
      {"/dev/ttyUSB0", false, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting);
    const auto address = parseGpsdSetting(c.setting);
    ASSERT_EQ(address.has_value(), c.valid);
    if (!c.valid) continue;
    EXPECT_EQ(address->host, c.host);
    EXPECT_EQ(address->port, c.port);
  }
  EXPECT_TRUE(namesGpsd("gpsd:[::1"));
  EXPECT_FALSE(namesGpsd("gpsdx"));
  EXPECT_FALSE(namesGpsd("/dev/gpsd"));
}

// What passes, byte for byte, and where the watch reply ends.
std::string filtered(const std::string& stream, int& watchReplies) {
  GpsdStreamFilter filter;
  std::string out;
  watchReplies = 0;
  for (char c : stream) {
    const GpsdByte b = filterGpsdByte(filter, c);
    if (b == GpsdByte::Pass) out += c;
    if (b == GpsdByte::WatchStarted) ++watchReplies;
  }
  return out;
}

TEST(GpsdStreamFilter, ReportLinesGoAndEverythingElsePassesUnchanged) {
  struct Case {
    std::string stream;
    std::string passed;
    int watchReplies;
  };
  const std::string gga = "$GPGGA,094736,5251.0094,N,00518.8172,E,1,12,0.60,-4,M,46.8,M,,*4B\r\n";
  const Case cases[] = {
      {gga + gga, gga + gga, 0},
      {"{\"class\":\"VERSION\"}\r\n" + gga, gga, 0},
      {"{\"class\":\"WATCH\",\"nmea\":true}\r\n" + gga, gga, 1},
      {"{\"class\":\"DEVICE\",\"path\":\"$GPGGA,\"}\r\n" + gga, gga, 0},
      // '{' starts a report only at the start of a line.
      {"$GPTXT,{x}*00\r\n", "$GPTXT,{x}*00\r\n", 0},
      // A report cut off by the end of the stream takes nothing after it.
      {gga + "{\"class\":\"WATCH\"", gga, 0},
      {"{\"class\":\"WATCHDOG\"}\n{\"class\":\"TPV\"}\n", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stream);
    int watchReplies = 0;
    EXPECT_EQ(filtered(c.stream, watchReplies), c.passed);
    EXPECT_EQ(watchReplies, c.watchReplies);
  }
}

}  // namespace
