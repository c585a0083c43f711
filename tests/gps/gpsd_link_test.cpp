// The GPS link through gpsd. The real gpsd (started here on a free port, never
// 2947) reads a pseudo-terminal that the test writes a receiver's capture
// into; a small stand-in server covers what a real gpsd will not do on demand.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "nmea_log_fixture.h"
#include "running_link.h"
#include "shown_gps_blocks.h"
#include "tests/support/child_process.h"
#include "tests/support/console_capture.h"
#include "tests/support/file_text.h"
#include "tests/support/poll_until.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;

// A loopback port nobody listens on at the moment of asking.
int freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  ::close(fd);
  return port;
}

bool accepts(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

std::string gpsdProgram() {
  // Debian puts it in /usr/sbin, which an ordinary user's PATH may lack.
  for (const char* path : {"/usr/sbin/gpsd", "/usr/local/sbin/gpsd", "/usr/bin/gpsd"}) {
    if (::access(path, X_OK) == 0) return path;
  }
  return "";
}

// gpsd in the foreground (-N), reading its device from the start (-n) and
// never writing to it (-b), on a receiver pseudo-terminal of the test's own.
struct Gpsd {
  PtyPair receiver;
  TempDir dir;
  ChildProcess process;
  int port = 0;

  // A port taken by someone else between asking and binding: gpsd says so and
  // runs on without it, so it is started again on another.
  bool start() {
    const std::string program = gpsdProgram();
    if (program.empty()) return false;
    for (int attempt = 0; attempt < 3; ++attempt) {
      process.reset();
      port = freePort();
      if (!process.start({program, "-N", "-n", "-b", "-F", dir.file("control"), "-S",
                          std::to_string(port), receiver.slavePath})) {
        return false;
      }
      bool refused = false;
      const bool answered = pollUntil(
          [&] {
            process.drain(0);
            refused = process.output().find("can't bind") != std::string::npos;
            return refused || accepts(port);
          },
          10s, 10ms);
      if (answered && !refused) return true;
    }
    return false;
  }
  std::string setting() const { return "gpsd:127.0.0.1:" + std::to_string(port); }
};

// The blocks a link shows for a capture (the end of capture's last), and the
// GPS fields it leaves in the station record.
struct Replay {
  std::string console;
  std::vector<GpsStatusBlock> blocks;
  float latMinutes = 0, lonMinutes = 0, stepX = 0, stepY = 0;
  int latDegrees = 0, lonDegrees = 0;
};

std::size_t expectedBlocks(const std::string& log) {
  std::size_t shown = 0;
  for (const GgaRow& r : readGgaTable(log)) {
    if (r.checksumOk && (r.hasPosition() || shown > 0)) ++shown;
  }
  return shown;
}

// Runs a link on setting; once ready(console) holds, writes the capture and its
// end with write(), waits for every block and stops the link.
template <typename Ready, typename Write>
Replay replay(const std::string& log, const std::string& setting, Ready ready, Write write) {
  Replay r;
  const std::size_t wanted = expectedBlocks(log) + 1;
  ConsoleCapture console;
  ShownGpsBlocks shown;
  {
    RunningLink running(setting, noConsole());
    EXPECT_TRUE(pollUntil([&] { return ready(console.text()); }, 20s)) << console.text();
    EXPECT_TRUE(write(fileText(nmeaPath(log)) + endOfCapture()));
    EXPECT_TRUE(pollUntil([&] { return shown.count() >= wanted; }, 60s))
        << shown.count() << " blocks of " << wanted;
    running.link.stop();
    EXPECT_TRUE(running.ended());
    r.latDegrees = running.rc->gpsLatDegrees;
    r.latMinutes = running.rc->gpsLatMinutes;
    r.lonDegrees = running.rc->gpsLonDegrees;
    r.lonMinutes = running.rc->gpsLonMinutes;
    r.stepX = running.rc->gpsDisplacementX;
    r.stepY = running.rc->gpsDisplacementY;
  }
  console.stop();
  r.console = console.text();
  r.blocks = shown.blocks();
  return r;
}

class GpsdReplay : public testing::TestWithParam<const char*> {};

// Every field of every block is the same as on a serial line, except the
// byte's index within its read, which follows how the bytes happened to be cut
// into reads; the station record ends with the same fix and step.
TEST_P(GpsdReplay, BlocksEqualThoseOfTheSameCaptureOnASerialLine) {
  const std::string log = GetParam();
  PtyPair serial;
  const Replay bySerial = replay(
      log, serial.slavePath, [&](const std::string&) { return serial.rawInput(); },
      [&](const std::string& bytes) { return serial.writeAll(bytes); });

  Gpsd gpsd;
  ASSERT_TRUE(gpsd.start()) << "gpsd (scripts/setup installs it) did not start: "
                            << gpsd.process.output();
  // gpsd relays only what it reads once our watch is on: the capture goes in
  // after gpsd has answered the watch request.
  const std::string connected = "Conectado a gpsd en " + gpsd.setting().substr(5) + "\n";
  const Replay byGpsd = replay(
      log, gpsd.setting(),
      [&](const std::string& text) { return text.find(connected) != std::string::npos; },
      [&](const std::string& bytes) { return gpsd.receiver.writeAll(bytes); });

  for (const Replay* r : {&bySerial, &byGpsd}) {
    EXPECT_EQ(r->console.find("Sentencia"), std::string::npos) << r->console;
    EXPECT_EQ(r->console.find("E0"), std::string::npos) << r->console;
  }
  ASSERT_EQ(byGpsd.blocks.size(), expectedBlocks(log) + 1);
  ASSERT_EQ(byGpsd.blocks.size(), bySerial.blocks.size());
  EXPECT_TRUE(isEndOfCapture(byGpsd.blocks.back()));
  for (std::size_t i = 0; i < byGpsd.blocks.size(); ++i) {
    SCOPED_TRACE("block " + std::to_string(i));
    const GpsStatusBlock& a = bySerial.blocks[i];
    const GpsStatusBlock& b = byGpsd.blocks[i];
    EXPECT_EQ(b.latitude.degrees, a.latitude.degrees);
    EXPECT_EQ(b.latitude.minutes, a.latitude.minutes);
    EXPECT_EQ(b.latitude.hemisphere, a.latitude.hemisphere);
    EXPECT_EQ(b.longitude.degrees, a.longitude.degrees);
    EXPECT_EQ(b.longitude.minutes, a.longitude.minutes);
    EXPECT_EQ(b.longitude.hemisphere, a.longitude.hemisphere);
    EXPECT_EQ(b.altitude, a.altitude);
    EXPECT_EQ(b.hours * 3600 + b.minutes * 60 + b.seconds,
              a.hours * 3600 + a.minutes * 60 + a.seconds);
    EXPECT_EQ(b.utm.x, a.utm.x);
    EXPECT_EQ(b.utm.y, a.utm.y);
    EXPECT_EQ(b.relativeX, a.relativeX);
    EXPECT_EQ(b.relativeY, a.relativeY);
    EXPECT_EQ(b.stepX, a.stepX);
    EXPECT_EQ(b.stepY, a.stepY);
    EXPECT_EQ(b.stepLength, a.stepLength);
    EXPECT_EQ(b.ggaCount, a.ggaCount);
    EXPECT_GE(b.byteIndex, 0);
    EXPECT_LE(b.byteIndex, kGpsReadSize - 1);
  }
  EXPECT_EQ(byGpsd.latDegrees, bySerial.latDegrees);
  EXPECT_EQ(byGpsd.latMinutes, bySerial.latMinutes);
  EXPECT_EQ(byGpsd.lonDegrees, bySerial.lonDegrees);
  EXPECT_EQ(byGpsd.lonMinutes, bySerial.lonMinutes);
  EXPECT_EQ(byGpsd.stepX, bySerial.stepX);
  EXPECT_EQ(byGpsd.stepY, bySerial.stepY);
}

INSTANTIATE_TEST_SUITE_P(RealLogs, GpsdReplay, testing::Values("hemi.log", "ublox-lea-4h.log"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find_first_of("-."));
                         });

// A server standing in for gpsd: accepts one client, keeps what it sends,
// answers its request line with the given text, then closes the connection, or
// with holdOpen keeps it until the client closes it.
class StandInServer {
 public:
  explicit StandInServer(std::string answer, bool holdOpen = false) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 1);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, answer, holdOpen] {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      char buffer[256];
      // The request line first, then the answer, then whatever comes until the
      // client closes or the test says so.
      while (received_.find('\n') == std::string::npos) {
        const ssize_t n = ::read(client, buffer, sizeof buffer);
        if (n <= 0) break;
        received_.append(buffer, static_cast<std::size_t>(n));
      }
      ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
      if (!holdOpen) {
        ::close(client);
        return;
      }
      pollfd p{client, POLLIN, 0};
      while (::poll(&p, 1, 2000) == 1) {
        const ssize_t n = ::read(client, buffer, sizeof buffer);
        if (n <= 0) break;
        received_.append(buffer, static_cast<std::size_t>(n));
      }
      ::close(client);
    });
  }
  ~StandInServer() {
    ::shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    ::close(listener_);
  }
  StandInServer(const StandInServer&) = delete;
  StandInServer& operator=(const StandInServer&) = delete;

  std::string setting() const { return "gpsd:127.0.0.1:" + std::to_string(port_); }
  // What the client sent; call once the link has ended.
  std::string received() {
    if (thread_.joinable()) thread_.join();
    return received_;
  }

 private:
  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::string received_;
};

const char* const kGga = "$GPGGA,094736,5251.0094,N,00518.8172,E,1,12,0.60,-4,M,46.8,M,,*4B\r\n";

// gpsd's reports are skipped whole, even one holding what looks like a
// sentence, and the receiver's sentences between them go through; a closed
// connection then ends the link with one coded line.
TEST(GpsdLink, ReportsAreSkippedAndAClosedConnectionEndsTheLinkWithE017) {
  const std::string answer = std::string(R"({"class":"VERSION","release":"3.22"})") + "\r\n" +
                             R"({"class":"DEVICES","devices":[{"path":"/dev/$GPGGA,1*00"}]})" +
                             "\r\n" + R"({"class":"WATCH","enable":true,"nmea":true})" + "\r\n" +
                             kGga + R"({"class":"TPV","mode":1})" + "\r\n";
  StandInServer gpsd(answer);
  ConsoleCapture console;
  ShownGpsBlocks shown;
  RunningLink running(gpsd.setting(), noConsole());
  ASSERT_TRUE(running.ended(5s));
  console.stop();
  const std::string text = console.text();
  EXPECT_EQ(gpsd.received(), "?WATCH={\"enable\":true,\"nmea\":true}\n");
  EXPECT_NE(text.find("Conectado a gpsd en 127.0.0.1:"), std::string::npos) << text;
  const auto blocks = shown.blocks();
  ASSERT_EQ(blocks.size(), 1u) << text;
  EXPECT_EQ(blocks[0].latitude.degrees, 52);
  EXPECT_EQ(running.rc->gpsLatDegrees, 52) << "the last fix stays";
  EXPECT_EQ(text.find("Sentencia"), std::string::npos) << text;
  EXPECT_EQ(countOf(text, "E0"), 1) << text;
  EXPECT_NE(text.find("E017_gpsd closed the connection: (107) "), std::string::npos) << text;
  EXPECT_NE(text.find("\n\nGPS port [speed]"), std::string::npos) << "the usage text follows";
}

// gpsd not reachable, or a setting that names no address: one coded line, and
// the link ends at once.
TEST(GpsdLink, UnreachableGpsdGivesE015AndEndsTheLink) {
  struct Case {
    std::string setting;
    std::string line;
  };
  const std::vector<Case> cases = {
      {"gpsd:127.0.0.1:" + std::to_string(freePort()),
       "E015_Failed to connect to gpsd: (111) Connection refused\n\nGPS port "},
      {"gpsd:localhost:http", "E015_Failed to connect to gpsd: (22) Invalid argument\n\nGPS port "},
      {"gpsd:[::1", "E015_Failed to connect to gpsd: (22) "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting);
    ConsoleCapture console;
    RunningLink running(c.setting, noConsole());
    ASSERT_TRUE(running.ended(5s));
    console.stop();
    EXPECT_EQ(console.text().rfind(c.line, 0), 0u) << console.text();
    EXPECT_EQ(countOf(console.text(), "E0"), 1);
  }
}

// Keys typed on the console have nowhere to go: they are dropped, and Esc
// still stops the link.
TEST(GpsdLink, TypedKeysAreDroppedAndEscStopsTheLink) {
  StandInServer gpsd(R"({"class":"WATCH","enable":true,"nmea":true})"
                     "\r\n",
                     true);
  PtyPair terminal;
  const int consoleFd = ::open(terminal.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(consoleFd, 0);
  ConsoleCapture console;
  {
    RunningLink running(gpsd.setting(), consoleFd);
    ASSERT_TRUE(pollUntil(
        [&] {
          return console.text().find("press Esc or Ctrl+C to terminate\n") != std::string::npos &&
                 console.text().find("Conectado a gpsd") != std::string::npos;
        },
        20s));
    // The keys reach the writer before Esc, whether they come in one read or
    // in several.
    ASSERT_TRUE(terminal.writeAll("ab\r"));
    ASSERT_TRUE(terminal.writeAll("\x1b"));
    ASSERT_TRUE(running.ended(5s)) << "Esc did not stop the link";
  }
  ::close(consoleFd);
  console.stop();
  EXPECT_EQ(gpsd.received(), "?WATCH={\"enable\":true,\"nmea\":true}\n") << "no key reached gpsd";
  EXPECT_EQ(countOf(console.text(), "E0"), 0) << console.text();
  EXPECT_FALSE(terminal.rawInput()) << "the console is restored";
}

}  // namespace
