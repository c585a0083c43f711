// The simulated GPS receiver: its sentences, its fault injection, and fixes
// that the station's own GPS reader turns back into the robot's steps.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gps/gga_sentence.h"
#include "gps/gps_reader_state.h"
#include "sim/gps_emitter.h"
#include "sim/nmea_emitter.h"
#include "sim/sim_robot.h"
#include "state/robot_controller.h"
#include "tests/support/console_capture.h"
#include "tests/support/poll_until.h"

namespace {
std::string withoutLineEnd(const std::string& s) {
  return s.substr(0, s.find('\r'));
}
}  // namespace

TEST(SimGps, SentencesAreWellFormedNmea) {
  FixReport fix;
  fix.utcSeconds = 12 * 3600 + 34 * 60 + 56.5;
  fix.position = {-33.5, -70.75};
  fix.altitudeM = 520.4;
  const std::vector<std::string> sentences = fixSentences(fix);
  ASSERT_EQ(sentences.size(), 3u);
  const std::string& gga = sentences[0];
  EXPECT_EQ(gga.substr(0, gga.find('*')),
            "$GPGGA,123456.50,3330.000000,S,07045.000000,W,1,08,0.9,520.4,M,0.0,M,,");
  const std::string prefixes[] = {"$GPGGA,", "$GPRMC,", "$GPGSA,"};
  const int commas[] = {14, 12, 17};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string& s = sentences[i];
    EXPECT_EQ(s.substr(0, 7), prefixes[i]);
    const std::size_t star = s.find('*');
    ASSERT_NE(star, std::string::npos);
    EXPECT_EQ(s.substr(star + 1), nmeaChecksum(s.substr(1, star - 1)) + "\r\n");
    EXPECT_EQ(std::count(s.begin(), s.end(), ','), commas[i]) << s;
  }
  // The known checksum of a textbook sentence body.
  EXPECT_EQ(nmeaChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"), "47");

  // The station's parser takes it back to the same position.
  GgaSentence parsed;
  ASSERT_EQ(parseGgaSentence(withoutLineEnd(gga), parsed).status, GgaStatus::Accepted);
  EXPECT_EQ(parsed.latitude.degrees, 33);
  EXPECT_NEAR(parsed.latitude.minutes, 30, 1e-9);
  EXPECT_EQ(parsed.latitude.hemisphere, 'S');
  EXPECT_EQ(parsed.longitude.degrees, 70);
  EXPECT_NEAR(parsed.longitude.minutes, 45, 1e-9);
  EXPECT_EQ(parsed.longitude.hemisphere, 'W');
  EXPECT_EQ(parsed.altitude, 520);
  EXPECT_EQ(parsed.hours * 3600 + parsed.minutes * 60 + parsed.seconds, 12 * 3600 + 34 * 60 + 56);
}

TEST(SimGps, MinutesNeverPrintAsSixty) {
  FixReport fix;
  fix.position = {-33.99999999999, -70.99999999999};
  const std::string gga = formatGga(fix);
  EXPECT_NE(gga.find(",3400.000000,S,07100.000000,W,"), std::string::npos) << gga;
}

TEST(SimGps, FaultsDropAndCorruptEveryNthSentence) {
  SentenceFaults faults{3, 2};
  FixReport fix;
  fix.position = {-33.45, -70.65};
  std::string kinds;
  int badChecksums = 0;
  for (int second = 0; second < 4; ++second) {
    for (std::string& s : fixSentences(fix)) {
      const auto out = faults.pass(s);
      if (!out) {
        kinds += '-';
        continue;
      }
      const std::size_t star = out->find('*');
      const bool good = out->substr(star + 1, 2) == nmeaChecksum(out->substr(1, star - 1));
      kinds += good ? 'o' : 'x';
      GgaSentence parsed;
      if (out->substr(0, 6) == "$GPGGA" &&
          parseGgaSentence(withoutLineEnd(*out), parsed).status == GgaStatus::BadChecksum) {
        ++badChecksums;
      }
    }
  }
  // Sentence 6 and 12 are due for both: dropped.
  EXPECT_EQ(kinds, "ox-xo-ox-xo-");
  EXPECT_EQ(badChecksums, 2);  // sentences 4 and 10 are GGA
}

TEST(SimGps, FixCarriesCourseSpeedAndTime) {
  const SimPose before{0, 0, 0};
  const SimPose after{-1000, 0, 0};  // 1 m west in 1 s
  const FixReport fix = fixForPose(GeoOrigin{}, after, &before, 1.0, 86400.0 * 365 + 3723.25);
  EXPECT_NEAR(fix.speedKnots, 3600.0 / 1852, 1e-9);
  EXPECT_NEAR(fix.courseDeg, 270, 1e-9);
  EXPECT_NEAR(fix.utcSeconds, 3723.25, 1e-6);
  EXPECT_EQ(fix.day, 1);
  EXPECT_EQ(fix.month, 1);
  EXPECT_EQ(fix.year, 71);
  EXPECT_LT(fix.position.lonDeg, GeoOrigin{}.lonDeg);
  EXPECT_EQ(fix.position.latDeg, GeoOrigin{}.latDeg);
}

// A robot drives arcs; the emitter sends its fixes on a pseudo-terminal; the
// station's GPS reader takes the bytes and its steps match the robot's.
TEST(SimGps, StationStepsMatchTheRobotsMotion) {
  struct Body {
    std::mutex mutex;
    SimRobot robot;
    std::vector<SimPose> poses;
  } body;
  body.robot.enableMotors(true);
  body.robot.setAccel(100000);
  body.robot.setWheelVels(900, 1100);
  // Each fix is one simulated second later; the wheels change as the run goes.
  PoseSource source = [&body] {
    std::lock_guard<std::mutex> lock(body.mutex);
    if (!body.poses.empty()) {
      const std::size_t n = body.poses.size();
      if (n == 8) body.robot.setWheelVels(-300, 400);
      if (n == 14) body.robot.setWheelVels(1500, 1500);
      for (int i = 0; i < 10; ++i) body.robot.step(0.1);
    }
    body.poses.push_back(body.robot.truePose());
    return body.poses.back();
  };
  GpsSettings settings;
  settings.periodMs = 100;
  GpsEmitter emitter(source, settings);
  std::string error;
  ASSERT_TRUE(emitter.start(error)) << error;
  const int fd = ::open(emitter.ptyPath().c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);

  auto rc = std::make_unique<RobotController>();
  GpsReaderState state;
  int checked = 0;
  int lastCount = 0;
  double largest = 0;
  ConsoleCapture capture;  // the reader's status blocks
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (checked < 20 && std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char bytes[10];
    const long n = ::read(fd, bytes, sizeof bytes);
    ASSERT_GT(n, 0);
    for (long i = 0; i < n; ++i) {
      gpsByteReceived(state, *rc, bytes[i], static_cast<int>(i));
      if (state.ggaCount == lastCount) continue;
      lastCount = state.ggaCount;
      if (state.ggaCount == 1) continue;  // the reference fix has no step
      SimPose from, to;
      {
        std::lock_guard<std::mutex> lock(body.mutex);
        ASSERT_GE(body.poses.size(), static_cast<std::size_t>(state.ggaCount));
        from = body.poses[static_cast<std::size_t>(state.ggaCount - 2)];
        to = body.poses[static_cast<std::size_t>(state.ggaCount - 1)];
      }
      const double east = (to.x - from.x) / 1000;
      const double north = (to.y - from.y) / 1000;
      EXPECT_NEAR(rc->gpsDisplacementX, east, 0.1) << "fix " << state.ggaCount;
      EXPECT_NEAR(rc->gpsDisplacementY, north, 0.1) << "fix " << state.ggaCount;
      largest = std::max(largest, std::hypot(east, north));
      ++checked;
    }
  }
  capture.text();
  ::close(fd);
  emitter.stop();
  EXPECT_EQ(checked, 20);
  EXPECT_GT(largest, 1.4);  // the straight run at 1.5 m/s
  // The fixes lie around the default origin, 33 deg 27 min south, 70 deg 39 min west.
  EXPECT_EQ(rc->gpsLatDegrees, 33);
  EXPECT_NEAR(rc->gpsLatMinutes, 27, 0.5);
  EXPECT_EQ(rc->gpsLatHemisphere, 'S');
  EXPECT_EQ(rc->gpsLonDegrees, 70);
  EXPECT_NEAR(rc->gpsLonMinutes, 39, 0.5);
  EXPECT_EQ(rc->gpsLonHemisphere, 'W');
}

// A line nobody reads for a while: when the station opens it at last, it gets
// whole sentences only, and recent ones.
TEST(SimGps, ALateReaderGetsWholeRecentSentences) {
  std::atomic<int> fixes{0};
  GpsSettings settings;
  settings.periodMs = 5;
  GpsEmitter emitter(
      [&fixes] {
        ++fixes;
        return SimPose{};
      },
      settings);
  std::string error;
  ASSERT_TRUE(emitter.start(error)) << error;
  ASSERT_TRUE(pollUntil([&] { return fixes.load() >= 150; }, std::chrono::seconds(10)));
  const int fd = ::open(emitter.ptyPath().c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  std::string text;
  for (int i = 0; i < 50; ++i) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 10) <= 0) continue;
    char bytes[4096];
    const long n = ::read(fd, bytes, sizeof bytes);
    if (n > 0) text.append(bytes, static_cast<std::size_t>(n));
  }
  ::close(fd);
  emitter.stop();
  // Whole sentences from "$" to the line end, each with its right checksum.
  std::size_t from = text.find('$');
  ASSERT_NE(from, std::string::npos);
  int sentences = 0;
  for (std::size_t end; (end = text.find("\r\n", from)) != std::string::npos; from = end + 2) {
    const std::string s = text.substr(from, end - from);
    ASSERT_EQ(s[0], '$') << s;
    const std::size_t star = s.find('*');
    ASSERT_NE(star, std::string::npos) << s;
    ASSERT_EQ(s.substr(star + 1), nmeaChecksum(s.substr(1, star - 1))) << s;
    ++sentences;
  }
  EXPECT_GT(sentences, 10);
  // Not the whole backlog of 150 fixes.
  EXPECT_LT(sentences, 3 * 100);
}
