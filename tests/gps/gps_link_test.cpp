// The GPS link on a real serial device: a pseudo-terminal pair stands in for
// the receiver (the test writes its bytes into the master side) and another
// for the operator's console.
#include "gps/gps_link.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "nmea_log_fixture.h"
#include "os/serial_port.h"
#include "running_link.h"
#include "shown_gps_blocks.h"
#include "state/robot_controller.h"
#include "tests/support/console_capture.h"
#include "tests/support/file_text.h"
#include "tests/support/poll_until.h"
#include "tests/support/pty_pair.h"

namespace {

using namespace std::chrono_literals;

TEST(GpsLinkSerialPort, PortIsExclusiveRawAt19200With8N1AndNoFlowControl) {
  PtyPair receiver;
  ASSERT_FALSE(receiver.slavePath.empty());
  SerialPort port;
  ASSERT_TRUE(port.open(receiver.slavePath.c_str())) << std::strerror(errno);
  SerialPort second;
  EXPECT_FALSE(second.open(receiver.slavePath.c_str()));
  EXPECT_EQ(errno, EBUSY);
  int exclusive = 0;
  ASSERT_EQ(::ioctl(port.fd(), TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 1);

  ASSERT_TRUE(port.applyReadTimeouts());
  ASSERT_TRUE(port.applyLineSettings(kGpsBaud)) << std::strerror(errno);
  const termios t = receiver.settings();
  EXPECT_EQ(cfgetispeed(&t), B19200);
  EXPECT_EQ(cfgetospeed(&t), B19200);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_NE(t.c_cflag & CREAD, 0u);
  EXPECT_NE(t.c_cflag & CLOCAL, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);

  // Once closed, the port can be opened again.
  port.close();
  EXPECT_TRUE(second.open(receiver.slavePath.c_str()));
  EXPECT_FALSE(second.applyLineSettings(12345));
  EXPECT_EQ(errno, EINVAL);

  SerialPort notATerminal;
  EXPECT_FALSE(notATerminal.open("/dev/null"));
}

TEST(GpsLinkSerialPort, OperatorNamesResolveThroughTheEnvironment) {
  PtyPair receiver;
  ASSERT_EQ(setenv("TORVA_COM2", receiver.slavePath.c_str(), 1), 0);
  SerialPort port;
  EXPECT_TRUE(port.openCom("COM2")) << std::strerror(errno);
  unsetenv("TORVA_COM2");
  SerialPort bad;
  EXPECT_FALSE(bad.openCom("COM13"));
  EXPECT_EQ(errno, EINVAL);
}

class GpsLogReplay : public testing::TestWithParam<const char*> {};

// Every GGA with a good checksum and a position (and, after the first fix,
// every GGA without one) gives one block; the blocks follow the log.
TEST_P(GpsLogReplay, OneBlockPerGgaSentenceThroughTheRealReader) {
  const std::string log = GetParam();
  const std::vector<GgaRow> rows = readGgaTable(log);
  std::vector<const GgaRow*> shown;
  for (const GgaRow& r : rows) {
    if (r.checksumOk && (r.hasPosition() || !shown.empty())) shown.push_back(&r);
  }
  ASSERT_FALSE(shown.empty());

  PtyPair receiver;
  ConsoleCapture console;
  ShownGpsBlocks shownBlocks;
  {
    RunningLink running(receiver.slavePath, noConsole());
    ASSERT_TRUE(pollUntil([&] { return receiver.rawInput(); }, 20s)) << "port never configured";
    ASSERT_TRUE(receiver.writeAll(fileText(nmeaPath(log)) + endOfCapture()));
    ASSERT_TRUE(pollUntil([&] { return shownBlocks.count() >= shown.size() + 1; }, 60s))
        << shownBlocks.count() << " blocks of " << shown.size() + 1;
    running.link.stop();
    ASSERT_TRUE(running.ended());

    // The station record holds the last fix.
    const RobotController& rc = *running.rc;
    const GgaRow* lastFix = nullptr;
    for (const GgaRow* r : shown) {
      if (r->hasPosition()) lastFix = r;
    }
    EXPECT_EQ(rc.gpsLatHemisphere, lastFix->ns[0]);
    EXPECT_EQ(rc.gpsLonHemisphere, lastFix->ew[0]);
    EXPECT_NEAR(rc.gpsLatDegrees + rc.gpsLatMinutes / 60.0, std::fabs(lastFix->latDeg), 1e-5);
    EXPECT_NEAR(rc.gpsLonDegrees + rc.gpsLonMinutes / 60.0, std::fabs(lastFix->lonDeg), 1e-5);
  }
  console.stop();
  const std::string text = console.text();
  EXPECT_EQ(text.find("Sentencia"), std::string::npos) << "the logs hold no bad sentence";
  EXPECT_EQ(text.find("E0"), std::string::npos);

  const std::vector<GpsStatusBlock> blocks = shownBlocks.blocks();
  ASSERT_EQ(blocks.size(), shown.size() + 1);
  EXPECT_TRUE(isEndOfCapture(blocks.back()));
  const GgaRow* lastFix = nullptr;
  std::string lastAlt, lastUtc;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const GpsStatusBlock& b = blocks[i];
    const GgaRow& row = *shown[i];
    if (row.hasPosition()) lastFix = &row;
    if (!row.alt.empty()) lastAlt = row.alt;
    if (!row.utc.empty()) lastUtc = row.utc;
    SCOPED_TRACE(log + " block " + std::to_string(i) + " utc " + row.utc);
    EXPECT_NEAR(b.latitude.degrees + b.latitude.minutes / 60, std::fabs(lastFix->latDeg), 1e-7);
    EXPECT_NEAR(b.longitude.degrees + b.longitude.minutes / 60, std::fabs(lastFix->lonDeg), 1e-7);
    EXPECT_EQ(b.latitude.hemisphere, lastFix->ns[0]);
    EXPECT_EQ(b.longitude.hemisphere, lastFix->ew[0]);
    EXPECT_EQ(b.altitude, lastAlt.empty() ? 0 : static_cast<int>(std::stod(lastAlt)));
    EXPECT_EQ(b.hours * 10000 + b.minutes * 100 + b.seconds, std::stoi(lastUtc));
    EXPECT_GE(b.byteIndex, 0);
    EXPECT_LE(b.byteIndex, kGpsReadSize - 1);
    EXPECT_EQ(b.ggaCount, blocks[0].ggaCount + static_cast<int>(i));
    if (log == "hemi.log") {  // zone 19: the projection is meaningful
      EXPECT_NEAR(b.utm.x, lastFix->easting, 20);
      EXPECT_NEAR(b.utm.y, lastFix->northing, 20);
      EXPECT_NEAR(b.relativeX, lastFix->easting - shown.front()->easting, 0.01);
      EXPECT_NEAR(b.relativeY, lastFix->northing - shown.front()->northing, 0.01);
    }
    if (i == 0) {
      EXPECT_EQ(b.relativeX, 0);
      EXPECT_EQ(b.relativeY, 0);
    } else {
      // The step is taken in single precision, as the panel shows it.
      EXPECT_NEAR(b.stepX, b.relativeX - blocks[i - 1].relativeX, 1e-3);
      EXPECT_NEAR(b.stepY, b.relativeY - blocks[i - 1].relativeY, 1e-3);
      if (!row.hasPosition()) {
        EXPECT_EQ(b.stepLength, 0);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(RealLogs, GpsLogReplay,
                         testing::Values("hemi.log", "bundg_zeus_9.log", "skytraq-dgps.log",
                                         "ublox-lea-4h.log"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST(GpsLinkReader, SentencesTricklingInAcrossManyReadsComeOutWhole) {
  PtyPair receiver;
  ConsoleCapture console;
  ShownGpsBlocks shownBlocks;
  const std::string log = fileText(nmeaPath("hemi.log"));
  const std::string fixes = log.substr(log.find("$GPGGA,194050.00"));
  RunningLink running(receiver.slavePath, noConsole());
  ASSERT_TRUE(pollUntil([&] { return receiver.rawInput(); }, 20s));
  // Pieces of 1 to 13 bytes with pauses, so sentences end up split at every place.
  std::size_t piece = 1;
  for (std::size_t at = 0; at < fixes.size() && at < 2000; at += piece, piece = piece % 13 + 1) {
    ASSERT_TRUE(receiver.writeAll(fixes.substr(at, piece)));
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_TRUE(pollUntil([&] { return shownBlocks.count() >= 8; }, 20s));
  running.link.stop();
  ASSERT_TRUE(running.ended());
  console.stop();
  const auto blocks = shownBlocks.blocks();
  ASSERT_GE(blocks.size(), 8u);
  const std::vector<GgaRow> rows = readGgaTable("hemi.log");
  std::size_t row = 0;
  while (!rows[row].hasPosition()) ++row;
  for (std::size_t i = 0; i < 8; ++i, ++row) {
    EXPECT_NEAR(blocks[i].utm.x, rows[row].easting, 20) << i;
    EXPECT_NEAR(blocks[i].relativeY, rows[row].northing - rows[row - i].northing, 0.01) << i;
  }
  EXPECT_EQ(console.text().find("Sentencia"), std::string::npos);
}

TEST(GpsLinkFailures, NoDeviceGivesE012AndTheUsageText) {
  ConsoleCapture console;
  RobotController rc;
  GpsLink link(rc);
  EXPECT_EQ(link.run("/dev/torva-no-such-port", noConsole()), 0);
  console.stop();
  const std::string text = console.text();
  EXPECT_EQ(text.rfind("E012_Failed to open port: (2) No such file or directory\n\n"
                       "GPS port [speed] [DisplayMode] [Separator] [Echo] [logfilename]\n",
                       0),
            0u)
      << text;
  const std::string usageEnd =
      "Example: GPS com2 19200 decimal tab yes\n"
      "    open the terminal on port com2 with 19200 bit/s, print decimal code\n"
      "    of incoming characters, seperate them by tabs, do local echo, no logfile\n";
  EXPECT_EQ(text.size() - usageEnd.size(), text.rfind(usageEnd))
      << "the usage text ends the report";
  EXPECT_NE(
      text.find("        speed::= 300 | 4800 | 9600 | 19200 | 38400 | 57600 | 115200 | 230400\n"
                "                                     ^^^^^\n"),
      std::string::npos);
  EXPECT_EQ(countOf(text, "E0"), 1);
}

TEST(GpsLinkFailures, PortHeldByAnotherProgramGivesE012) {
  PtyPair receiver;
  SerialPort holder;
  ASSERT_TRUE(holder.open(receiver.slavePath.c_str()));
  ConsoleCapture console;
  RobotController rc;
  GpsLink link(rc);
  link.run(receiver.slavePath.c_str(), noConsole());
  console.stop();
  EXPECT_EQ(console.text().rfind("E012_Failed to open port: (16) ", 0), 0u) << console.text();
}

TEST(GpsLinkFailures, ReceiverUnpluggedEndsTheLinkWithOneCodedLine) {
  PtyPair receiver;
  ConsoleCapture console;
  ShownGpsBlocks shownBlocks;
  RunningLink running(receiver.slavePath, noConsole());
  ASSERT_TRUE(pollUntil([&] { return receiver.rawInput(); }, 20s));
  ASSERT_TRUE(
      receiver.writeAll("$GPGGA,094736,5251.0094,N,00518.8172,E,1,12,0.60,-4,M,46.8,M,,*4B\r\n"));
  ASSERT_TRUE(pollUntil([&] { return shownBlocks.count() == 1; }, 20s));
  receiver.closeMaster();  // the device goes away
  ASSERT_TRUE(running.ended(5s));
  console.stop();
  const std::string text = console.text();
  EXPECT_EQ(countOf(text, "E0"), 1) << text;
  EXPECT_TRUE(text.find("E008_GetOverlappedResult failed: (5) ") != std::string::npos ||
              text.find("E010_GetOverlappedResult failed: (5) ") != std::string::npos)
      << text;
  EXPECT_EQ(running.rc->gpsLatDegrees, 52) << "the last fix stays";
}

// The operator's console: raw keys typed on a terminal.
struct Console {
  PtyPair terminal;
  int fd = -1;
  Console() { fd = ::open(terminal.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC); }
  ~Console() {
    if (fd >= 0) ::close(fd);
  }
};

TEST(GpsKeyboardWriter, TypedKeysReachTheReceiverAndEscStopsBothThreads) {
  struct Case {
    const char* name;
    std::string stopKey;
  };
  for (const Case& c : {Case{"Esc", "\x1b"}, Case{"Ctrl+C", "\x03"}}) {
    SCOPED_TRACE(c.name);
    PtyPair receiver;
    Console console;
    ASSERT_GE(console.fd, 0);
    const termios before = console.terminal.settings();
    ASSERT_NE(before.c_lflag & ICANON, 0u);
    ConsoleCapture out;
    ShownGpsBlocks shownBlocks;
    RunningLink running(receiver.slavePath, console.fd);
    ASSERT_TRUE(pollUntil([&] { return receiver.rawInput() && console.terminal.rawInput(); }, 20s));
    ASSERT_TRUE(pollUntil(
        [&] { return out.text().find("press Esc or Ctrl+C to terminate\n") != std::string::npos; },
        20s));

    // Printable keys and Enter go out one byte each; arrow and function keys
    // (escape sequences) send nothing.
    ASSERT_TRUE(console.terminal.writeAll("ab\x1b[A\x1bOP\x1b[15~\rc"));
    std::string sent;
    ASSERT_TRUE(pollUntil(
        [&] {
          sent += receiver.readAvailable(5ms);
          return sent.size() >= 4;
        },
        20s));
    EXPECT_EQ(sent, "ab\rc");
    // Receiver data keeps flowing while keys are typed.
    ASSERT_TRUE(
        receiver.writeAll("$GPGGA,094736,5251.0094,N,00518.8172,E,1,12,0.60,-4,M,46.8,M,,*4B\r\n"));
    ASSERT_TRUE(pollUntil([&] { return shownBlocks.count() == 1; }, 20s));

    ASSERT_TRUE(console.terminal.writeAll(c.stopKey));
    ASSERT_TRUE(running.ended(5s)) << "the link did not stop";
    // The console is back as it was, and the port is closed.
    const termios after = console.terminal.settings();
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    ASSERT_TRUE(console.terminal.writeAll("z"));
    EXPECT_EQ(receiver.readAvailable(50ms), "");
    out.stop();
    EXPECT_EQ(countOf(out.text(), "E0"), 0) << out.text();
  }
}

TEST(GpsKeyboardWriter, StopFromTheReaderSideEndsTheWriterWaitingForKeys) {
  PtyPair receiver;
  Console console;
  ConsoleCapture out;
  RunningLink running(receiver.slavePath, console.fd);
  ASSERT_TRUE(pollUntil([&] { return console.terminal.rawInput(); }, 20s));
  receiver.closeMaster();
  ASSERT_TRUE(running.ended(5s));
  EXPECT_FALSE(console.terminal.rawInput()) << "the console is restored when the link ends";
}

}  // namespace
