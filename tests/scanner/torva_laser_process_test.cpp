// torva-laser as operators run it, against torva-sim's scanners: over a
// pseudo-terminal with the line speed changed, and over TCP, the file it
// writes reads in the station as the simulator's own laser file for the same
// pose; it asks for each scan when the scanner refuses continuous output; it
// reconnects when the scanner is killed and comes back; it stops the
// scanner's output when it is stopped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "laser/laser_scan_reader.h"
#include "scanner/lms_receiver.h"
#include "state/robot_controller.h"
#include "tests/support/child_process.h"
#include "tests/support/console_capture.h"
#include "tests/support/poll_until.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unique_fd.h"

namespace {
using namespace std::chrono_literals;
const std::string kLaser = TORVA_BINARY_DIR "/scanner/torva-laser";

// The rest of the line that starts with label in text.
std::string labelled(const std::string& text, const std::string& label) {
  const std::size_t at = text.find(label);
  if (at == std::string::npos) return "";
  const std::size_t from = at + label.size();
  return text.substr(from, text.find('\n', from) - from);
}

// torva-sim with its laser file in dir, and the given scanner options; the
// line its scanner is on ("/dev/pts/N" or "127.0.0.1:N"), empty if none.
std::string startSim(ChildProcess& sim, const TempDir& dir, std::vector<std::string> options) {
  const bool lms = std::find(options.begin(), options.end(), "--lms-pty") != options.end();
  const char* label = lms ? "torva-sim lms en " : "torva-sim cola en ";
  options.insert(options.begin(), {"--laser-dir", dir.path().string()});
  if (startSimulator(sim, TORVA_BINARY_DIR, options) == 0) return "";
  if (!sim.waitFor(label, 5s) || !sim.waitFor("\n", 1s)) return "";
  sim.drain(50);
  return labelled(sim.output(), label);
}

// The readings the station takes from a scan file, in metres.
std::vector<float> stationReadings(const std::string& path) {
  auto rc = std::make_unique<RobotController>();
  rc->laserFileName = path.c_str();
  ConsoleCapture quiet;  // the reader's start lines
  readLaserScan(*rc);
  std::vector<float> out;
  if (!rc->laserValid) return out;
  const LaserScanView scan = laserScan(*rc);
  for (int i = 0; i < scan.count; ++i) out.push_back(scan[i]);
  return out;
}

// Both files read as 361 readings, each within 1 cm of the other's.
void expectSameReadings(const std::string& written, const std::string& cast) {
  const std::vector<float> got = stationReadings(written);
  const std::vector<float> reference = stationReadings(cast);
  ASSERT_EQ(got.size(), 361u);
  ASSERT_EQ(reference.size(), 361u);
  int differ = 0;
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i], reference[i], 0.0101) << "reading " << i;
    differ += got[i] != reference[i] ? 1 : 0;
  }
  std::printf("%d de 361 lecturas difieren en 1 cm\n", differ);
}

bool fileExists(const std::string& path) {
  return std::filesystem::exists(path);
}
}  // namespace

TEST(TorvaLaser, FollowsTheCommandLineConventions) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* start;  // what the output begins with
  };
  const Case cases[] = {
      {{"--help"}, 0, "uso: torva-laser "},
      {{"--version"}, 0, "torva-laser 1.0.0\n"},
      {{}, 2, "torva-laser: falta --lms DISPOSITIVO o --cola HOST\nuso: "},
      {{"--bogus"}, 2, "torva-laser: opcion desconocida: --bogus\nuso: "},
      {{"--lms"}, 2, "torva-laser: falta el valor de --lms\n"},
      {{"--lms", "/dev/ttyUSB0", "--cola", "scanner"}, 2, "torva-laser: --lms y --cola no van"},
      {{"--lms", "/dev/ttyUSB0", "--baudios", "115200"},
       2,
       "torva-laser: valor no valido para --baudios"},
      {{"--cola", "scanner:99999"}, 2, "torva-laser: valor no valido para --cola"},
      {{"--cola", "[::1"}, 2, "torva-laser: valor no valido para --cola"},
      {{"--cola", "scanner", "--baudios", "9600"},
       2,
       "torva-laser: --baudios solo sirve con --lms"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), kLaser);
    ChildProcess laser;
    ASSERT_TRUE(laser.start(args));
    EXPECT_EQ(laser.wait(5s), c.status) << laser.output();
    EXPECT_EQ(laser.output().rfind(c.start, 0), 0u) << laser.output();
  }
}

// Each protocol with a scanner that streams and one that must be asked for
// every scan: the station reads what the simulator cast.
TEST(TorvaLaser, WritesTheScansTheSimulatorCastOverEachProtocol) {
  struct Case {
    std::vector<std::string> simOptions;
    std::vector<std::string> laserOptions;  // the line goes after the first
    const char* said;
  };
  const Case cases[] = {
      // The scanner starts at 9600; torva-laser works at 38400 by default.
      {{"--lms-pty"}, {"--lms"}, "barridos de /dev/pts/"},
      {{"--lms-pty", "--lms-no-continuous"},
       {"--lms", "--baudios", "500000"},
       "el escaner rechaza la salida continua; se piden los barridos uno a uno"},
      {{"--cola-port", "0"}, {"--cola"}, "continuos (1081 valores desde -45 grados"},
      {{"--cola-port", "0", "--cola-no-events"},
       {"--cola"},
       "el escaner rechaza sEN LMDscandata (sFA 1); se piden los barridos uno a uno"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.simOptions.back());
    TempDir dir;
    ChildProcess sim;
    const std::string line = startSim(sim, dir, c.simOptions);
    ASSERT_FALSE(line.empty()) << sim.output();
    const std::string out = dir.file("laser/data_sick.dat");
    std::filesystem::create_directory(dir.file("laser"));
    std::vector<std::string> args{kLaser, c.laserOptions[0], line, "-o", out};
    args.insert(args.end(), c.laserOptions.begin() + 1, c.laserOptions.end());
    ChildProcess laser;
    ASSERT_TRUE(laser.start(args));
    ASSERT_TRUE(laser.waitFor(c.said, 10s)) << laser.output();
    ASSERT_TRUE(pollUntil([&] { return fileExists(out); }, 5s)) << laser.output();
    if (c.laserOptions[0] == "--lms") {
      const std::string speed = c.laserOptions.size() > 1 ? c.laserOptions[2] : "38400";
      EXPECT_TRUE(laser.waitFor("a " + speed + " baudios, ", 5s)) << laser.output();
    }
    expectSameReadings(out, dir.file("data_sick.dat"));
    laser.signal(SIGTERM);
    EXPECT_EQ(laser.wait(5s), 0) << laser.output();
    EXPECT_NE(laser.output().find("torva-laser: terminado\n"), std::string::npos);
    EXPECT_EQ(laser.output().find("descartados"), std::string::npos) << laser.output();
    // Both ran clean: no sanitizer report among their output.
    sim.signal(SIGTERM);
    EXPECT_EQ(sim.wait(5s), 0) << sim.output();
    EXPECT_EQ((laser.output() + sim.output()).find("Sanitizer"), std::string::npos);
  }
}

// Stopped, torva-laser leaves the scanner quiet: nothing more comes on its line.
TEST(TorvaLaser, StopsTheScannersOutputWhenStopped) {
  TempDir dir;
  ChildProcess sim;
  const std::string line = startSim(sim, dir, {"--lms-pty"});
  ASSERT_FALSE(line.empty()) << sim.output();
  ChildProcess laser;
  ASSERT_TRUE(laser.start({kLaser, "--lms", line, "-o", dir.file("out.dat")}));
  ASSERT_TRUE(laser.waitFor("continuos", 10s)) << laser.output();
  laser.signal(SIGINT);
  ASSERT_EQ(laser.wait(5s), 0) << laser.output();

  const UniqueFd fd(::open(line.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  ASSERT_TRUE(fd.valid());
  termios t{};
  ::tcgetattr(fd.get(), &t);
  ::cfmakeraw(&t);
  ::cfsetispeed(&t, B38400);
  ::cfsetospeed(&t, B38400);
  ::tcsetattr(fd.get(), TCSANOW, &t);
  ::tcflush(fd.get(), TCIFLUSH);
  struct Count : LmsFrameSink {
    int frames = 0;
    void onFrame(const LmsFrame&) override { ++frames; }
  } count;
  LmsReceiver receiver(true);
  const auto end = std::chrono::steady_clock::now() + 500ms;
  pollfd p{fd.get(), POLLIN, 0};
  while (std::chrono::steady_clock::now() < end) {
    if (::poll(&p, 1, 50) != 1) continue;
    uint8_t bytes[1024];
    const ssize_t n = ::read(fd.get(), bytes, sizeof bytes);
    if (n > 0) receiver.feed(bytes, static_cast<std::size_t>(n), count);
  }
  EXPECT_EQ(count.frames, 0) << "values still come at 38400 baud: about 2.6 a second if so";
}

// The scanner goes away and comes back, on the same line: the serial device
// is a link (as udev names a USB adapter), gone while the scanner is and then
// pointing at the new scanner's pseudo-terminal; the TCP scanner listens on
// the same port again.
TEST(TorvaLaser, ReconnectsWhenTheScannerIsKilledAndRestarted) {
  for (const bool serial : {true, false}) {
    SCOPED_TRACE(serial ? "lms" : "cola");
    TempDir dir;
    const std::string device = dir.file("laser-device");
    ChildProcess sim;
    const std::vector<std::string> scanner = serial ? std::vector<std::string>{"--lms-pty"}
                                                    : std::vector<std::string>{"--cola-port", "0"};
    const std::string line = startSim(sim, dir, scanner);
    ASSERT_FALSE(line.empty()) << sim.output();
    if (serial) std::filesystem::create_symlink(line, device);
    const std::string out = dir.file("out.dat");
    ChildProcess laser;
    ASSERT_TRUE(
        laser.start({kLaser, serial ? "--lms" : "--cola", serial ? device : line, "-o", out}));
    ASSERT_TRUE(pollUntil([&] { return fileExists(out); }, 10s)) << laser.output();

    sim.reset();
    // The adapter unplugged takes its name with it: the pseudo-terminal's
    // number may go to another program's at once.
    if (serial) std::filesystem::remove(device);
    ASSERT_TRUE(laser.waitFor("; se reconecta cada segundo\n", 5s)) << laser.output();
    std::filesystem::remove(out);
    // Attempts fail while the scanner is away; a line says so.
    ASSERT_TRUE(laser.waitFor(serial ? "no se puede abrir" : "no se puede conectar", 5s))
        << laser.output();
    if (serial) {
      const std::string again = startSim(sim, dir, {"--lms-pty"});
      ASSERT_FALSE(again.empty()) << sim.output();
      std::filesystem::create_symlink(again, device);
    } else {
      const std::string port = line.substr(line.rfind(':') + 1);
      ASSERT_EQ(startSim(sim, dir, {"--cola-port", port}), line) << sim.output();
    }
    ASSERT_TRUE(pollUntil([&] { return fileExists(out); }, 10s)) << laser.output();
    expectSameReadings(out, dir.file("data_sick.dat"));
    laser.signal(SIGTERM);
    EXPECT_EQ(laser.wait(5s), 0) << laser.output();
  }
}
