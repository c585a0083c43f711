// The simulator's scanners seen from the line, as a scanner's client sees a
// real one: the telegrams of the published listing answered byte for byte,
// the line speed required, refusals, and scans that match the room.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "scanner/cola_framer.h"
#include "scanner/lmd_scandata.h"
#include "scanner/lms_receiver.h"
#include "scanner/lms_telegram.h"
#include "scanner/lms_values.h"
#include "sim/cola_scanner_sim.h"
#include "sim/laser_scan_writer.h"
#include "sim/lms_scanner_sim.h"
#include "tests/support/poll_until.h"
#include "tests/support/unique_fd.h"

namespace {
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// A 6 m x 4 m room, the robot off centre and turned, so that no two
// readings of a scan are alike.
const SimPose kPose{700, -300, 0.4};
std::vector<Wall> room() {
  return {{-3000, -2000, 3000, -2000},
          {3000, -2000, 3000, 2000},
          {3000, 2000, -3000, 2000},
          {-3000, 2000, -3000, -2000}};
}
PoseSource fixedPose() {
  return [] { return kPose; };
}
// What the simulated laser file holds for the pose: the reference.
std::vector<int> fileScan() {
  return castScan(room(), kPose.x, kPose.y, kPose.th * 180 / std::numbers::pi, LaserSettings{},
                  nullptr);
}

Bytes hex(const std::string& text) {
  Bytes out;
  std::istringstream in(text);
  for (unsigned b; in >> std::hex >> b;) out.push_back(static_cast<uint8_t>(b));
  return out;
}

// The client's end of the scanner's serial line.
class Line {
 public:
  explicit Line(const std::string& path)
      : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {}
  bool valid() const { return fd_.valid(); }
  void speed(speed_t code) {
    termios t{};
    ::tcgetattr(fd_.get(), &t);
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, code);
    ::cfsetospeed(&t, code);
    ::tcsetattr(fd_.get(), TCSANOW, &t);
    ::tcflush(fd_.get(), TCIFLUSH);
  }
  void write(const Bytes& bytes) {
    ASSERT_EQ(::write(fd_.get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // What comes within ms (nothing expected: the line stays quiet that long).
  Bytes read(int ms) {
    return readUntil([](const Bytes&) { return false; }, ms);
  }
  // What comes until enough holds of it, or ms have passed.
  Bytes readUntil(const std::function<bool(const Bytes&)>& enough, int ms = 5000) {
    Bytes out;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    pollfd p{fd_.get(), POLLIN, 0};
    while (!enough(out)) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) != 1) break;
      uint8_t buffer[4096];
      const ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
      if (n <= 0) break;
      out.insert(out.end(), buffer, buffer + n);
    }
    return out;
  }

 private:
  UniqueFd fd_;
};

struct Frames : LmsFrameSink {
  int acks = 0, naks = 0;
  std::vector<Bytes> bodies;
  void onAck() override { ++acks; }
  void onNak() override { ++naks; }
  void onFrame(const LmsFrame& f) override { bodies.emplace_back(f.body, f.body + f.size); }
};

Frames frames(const Bytes& bytes) {
  Frames f;
  LmsReceiver receiver(true);
  receiver.feed(bytes.data(), bytes.size(), f);
  return f;
}

std::vector<int> readings(const Bytes& body) {
  LmsValues values;
  StationScan scan{};
  if (decodeLmsValues(body.data(), static_cast<int>(body.size()), values) !=
          LmsValuesResult::Taken ||
      !lmsValuesToStation(values, scan)) {
    return {};
  }
  return {scan.begin(), scan.end()};
}

const Bytes kModeAnswer = hex("06 02 80 03 00 A0 00 10 16 0A");

// Ways to wait on the line.
std::function<bool(const Bytes&)> atLeast(std::size_t count) {
  return [count](const Bytes& b) { return b.size() >= count; };
}
std::function<bool(const Bytes&)> telegrams(std::size_t count) {
  return [count](const Bytes& b) { return frames(b).bodies.size() >= count; };
}
std::function<bool(const Bytes&)> lastTelegram(const Bytes& body) {
  return [body](const Bytes& b) {
    const Frames f = frames(b);
    return !f.bodies.empty() && f.bodies.back() == body;
  };
}
}  // namespace

TEST(SimLmsScanner, AnswersThePublishedTelegramsAndStreamsTheRoom) {
  SimLmsScanner scanner(room(), fixedPose());
  std::string error;
  ASSERT_TRUE(scanner.start(error)) << error;
  Line line(scanner.ptyPath());
  ASSERT_TRUE(line.valid());
  line.speed(B9600);
  // To 500000 baud: acknowledged and answered at 9600, as the listing prints it.
  line.write(hex("02 00 02 00 20 48 58 08"));
  EXPECT_EQ(line.readUntil(atLeast(kModeAnswer.size())), kModeAnswer);
  // The scanner changes once its answer is out.
  EXPECT_TRUE(pollUntil([&] { return scanner.baud() == 500000; }, 2s));
  line.speed(B500000);
  line.write(hex("02 00 02 00 20 24 34 08"));
  Bytes stream = line.readUntil(telegrams(4));
  ASSERT_GE(stream.size(), kModeAnswer.size());
  EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 10), kModeAnswer);
  const Frames streamed = frames(stream);
  ASSERT_GE(streamed.bodies.size(), 3u) << "continuous values after the answer";
  for (std::size_t i = 1; i < streamed.bodies.size(); ++i) {
    EXPECT_EQ(readings(streamed.bodies[i]), fileScan()) << "telegram " << i;
  }
  // Stopped: once the answer is in, no more values.
  line.write(hex("02 00 02 00 20 25 35 08"));
  ASSERT_TRUE(lastTelegram(hex("A0 00 10"))(line.readUntil(lastTelegram(hex("A0 00 10")))));
  EXPECT_TRUE(frames(line.read(100)).bodies.empty());
}

TEST(SimLmsScanner, HearsAndIsHeardOnlyAtItsOwnLineSpeed) {
  SimLmsScanner scanner(room(), fixedPose());
  std::string error;
  ASSERT_TRUE(scanner.start(error)) << error;
  Line line(scanner.ptyPath());
  const Bytes oneScan = hex("02 00 02 00 30 01 31 18");
  // The scanner starts at 9600: a request at 38400 is lost on it.
  line.speed(B38400);
  line.write(oneScan);
  EXPECT_TRUE(line.read(150).empty());
  line.speed(B9600);
  line.write(oneScan);
  Frames f = frames(line.readUntil(telegrams(1)));
  EXPECT_EQ(f.acks, 1);
  ASSERT_EQ(f.bodies.size(), 1u);
  EXPECT_EQ(readings(f.bodies[0]), fileScan());
  // To 38400; then 9600 is the wrong speed.
  line.write(hex("02 00 02 00 20 40 50 08"));
  EXPECT_EQ(line.readUntil(atLeast(kModeAnswer.size())), kModeAnswer);
  line.write(oneScan);
  EXPECT_TRUE(line.read(150).empty());
  line.speed(B38400);
  line.write(hex("02 00 02 00 20 24 34 08"));
  const Frames started = frames(line.readUntil(telegrams(1)));
  ASSERT_FALSE(started.bodies.empty());
  EXPECT_EQ(started.bodies.front(), hex("A0 00 10"));
  // A client at the wrong speed gets bytes, but no telegram in them. A
  // telegram sent as the speed changed is let go first (one takes 190 ms).
  line.speed(B9600);
  line.read(250);
  const Bytes garbled = line.readUntil(atLeast(1500));
  EXPECT_GE(garbled.size(), 1500u);
  EXPECT_TRUE(frames(garbled).bodies.empty());
}

TEST(SimLmsScanner, RefusesWhatItDoesNotKnowAndChangesItsVariant) {
  struct Case {
    const char* request;
    const char* reply;  // "" for values, checked apart
  };
  const Case cases[] = {
      {"02 00 02 00 20 24 34 09", "15"},  // bad check
      {"02 00 01 00 31 15 12", "15"},     // status: not simulated
      {"02 00 02 00 30 05 35 18", "15"},  // values of another kind
      // 100 degrees at 0.25 degree: acknowledged, then accepted (01) and echoed.
      {"02 00 05 00 3B 64 00 19 00 E7 72", "06 02 80 07 00 BB 01 64 00 19 00 10 "},
      // 90 degrees does not exist: refused (00) with the variant in force.
      {"", "06 02 80 07 00 BB 00 64 00 19 00 10 "},
  };
  SimLmsScanner scanner(room(), fixedPose());
  std::string error;
  ASSERT_TRUE(scanner.start(error)) << error;
  Line line(scanner.ptyPath());
  line.speed(B9600);
  for (const Case& c : cases) {
    const Bytes request =
        *c.request != '\0' ? hex(c.request) : buildLmsTelegram(0x00, 0x3B, {90, 0, 100, 0});
    line.write(request);
    const Bytes expected = hex(c.reply);
    const Bytes reply = line.readUntil(atLeast(expected.size()));
    ASSERT_GE(reply.size(), expected.size()) << c.request;
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + static_cast<long>(expected.size())), expected)
        << c.request;
  }
  // The 100-degree variant's values: 401 of them, from 40 to 140 degrees.
  line.write(hex("02 00 02 00 30 01 31 18"));
  const Frames f = frames(line.readUntil(telegrams(1)));
  ASSERT_EQ(f.bodies.size(), 1u);
  EXPECT_EQ((f.bodies[0][1] | f.bodies[0][2] << 8) & 0x3FF, 401);
  const std::vector<int> narrow = readings(f.bodies[0]);
  const std::vector<int> wide = fileScan();
  ASSERT_EQ(narrow.size(), 361u);
  EXPECT_EQ(narrow[79], kNoReading);
  for (int i = 80; i <= 280; ++i) EXPECT_EQ(narrow[i], wide[i]) << i;
  EXPECT_EQ(narrow[281], kNoReading);

  SimLmsScanner refusing(room(), fixedPose(), LmsSimSettings{true});
  ASSERT_TRUE(refusing.start(error)) << error;
  Line other(refusing.ptyPath());
  other.speed(B9600);
  other.write(hex("02 00 02 00 20 24 34 08"));
  EXPECT_EQ(other.readUntil(atLeast(1)), hex("15"));
}

namespace {
class ColaClient {
 public:
  explicit ColaClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_.get(), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  bool connected() const { return connected_; }
  void send(const std::string& text) {
    const std::string t = colaTelegram(text);
    ASSERT_EQ(::send(fd_.get(), t.data(), t.size(), MSG_NOSIGNAL), static_cast<ssize_t>(t.size()));
  }
  // The telegrams that come until count have, or ms have passed.
  std::vector<std::string> read(std::size_t count, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    pollfd p{fd_.get(), POLLIN, 0};
    while (sink_.texts.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) != 1) break;
      char buffer[65536];
      const ssize_t n = ::recv(fd_.get(), buffer, sizeof buffer, 0);
      if (n <= 0) break;
      framer_.feed(buffer, static_cast<std::size_t>(n), sink_);
    }
    std::vector<std::string> out;
    out.swap(sink_.texts);
    return out;
  }

 private:
  struct Sink : ColaTelegramSink {
    std::vector<std::string> texts;
    void onTelegram(std::string_view t) override { texts.emplace_back(t); }
  };
  UniqueFd fd_;
  bool connected_ = false;
  ColaFramer framer_;
  Sink sink_;
};

std::vector<int> colaReadings(const std::string& telegram) {
  LmdScan scan;
  StationScan readings{};
  if (decodeLmdScandata(telegram, scan) != LmdResult::Scan ||
      !lmdDistancesToStation(scan, readings)) {
    return {};
  }
  return {readings.begin(), readings.end()};
}

// Millimetres rounded, then centimetres: within 1 cm of the file's cast.
void expectNearTheFile(const std::vector<int>& got) {
  const std::vector<int> reference = fileScan();
  ASSERT_EQ(got.size(), reference.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], reference[i], 1) << i;
}
}  // namespace

TEST(SimColaScanner, SendsScansOnEventsAndOnRequestAndRefusesTheRest) {
  SimColaScanner scanner(room(), fixedPose());
  std::string error;
  ASSERT_TRUE(scanner.start(error)) << error;
  ColaClient client(scanner.port());
  ASSERT_TRUE(client.connected());
  client.send("sRN LMDscandata");
  std::vector<std::string> got = client.read(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(got[0].starts_with("sRA LMDscandata 1 1 ")) << got[0].substr(0, 40);
  expectNearTheFile(colaReadings(got[0]));

  client.send("sMN SetAccessMode 3 F4724744");
  EXPECT_EQ(client.read(1), std::vector<std::string>{"sFA 2"});

  client.send("sEN LMDscandata 1");
  got = client.read(4);
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(got[0], "sEA LMDscandata 1");
  for (std::size_t i = 1; i < got.size(); ++i) {
    ASSERT_TRUE(got[i].starts_with("sSN LMDscandata ")) << i;
    expectNearTheFile(colaReadings(got[i]));
  }
  // Stopped: once the answer is in, no more scans.
  client.send("sEN LMDscandata 0");
  ASSERT_TRUE(pollUntil(
      [&] {
        const auto texts = client.read(1, 100);
        return !texts.empty() && texts.back() == "sEA LMDscandata 0";
      },
      5s));
  EXPECT_TRUE(client.read(1, 150).empty());

  ColaSimSettings refusing;
  refusing.refuseEvents = true;
  SimColaScanner polled(room(), fixedPose(), refusing);
  ASSERT_TRUE(polled.start(error)) << error;
  ColaClient other(polled.port());
  other.send("sEN LMDscandata 1");
  EXPECT_EQ(other.read(1), std::vector<std::string>{"sFA 1"});
}
