// The torva-sim executable itself: it prints where it listens, serves the
// robot layer, writes its command log and ends on SIGTERM.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "aria/aria.h"
#include "gps/gga_sentence.h"
#include "tests/support/line_exclusive.h"
#include "tests/support/poll_until.h"

using namespace std::chrono_literals;

extern char** environ;

namespace {
struct SimProcess {
  pid_t pid = 0;
  int out = -1;
  std::string text;

  // A test that stopped at a failed assertion leaves no simulator behind.
  ~SimProcess() {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    if (out >= 0) ::close(out);
  }

  bool start(std::vector<std::string> args) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string path = TORVA_BINARY_DIR "/sim/torva-sim";
    args.insert(args.begin(), path);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    out = pipeFds[0];
    return rc == 0;
  }
  // The rest of the labelled line that starts with `label`.
  std::string labelled(const std::string& label) const {
    const std::size_t at = text.find(label);
    if (at == std::string::npos) return "";
    const std::size_t from = at + label.size();
    return text.substr(from, text.find('\n', from) - from);
  }
  // Waits for the process to end by itself; its exit status.
  int exitStatus() {
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = 0;
    readUntil("\n");
    ::close(out);
    out = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Reads output until it holds `needle` (or 5 s pass).
  bool readUntil(const std::string& needle) {
    for (int i = 0; i < 500 && text.find(needle) == std::string::npos; ++i) {
      char buffer[256];
      pollfd p{out, POLLIN, 0};
      if (::poll(&p, 1, 10) > 0) {
        const long n = ::read(out, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
      }
    }
    return text.find(needle) != std::string::npos;
  }
  int stop() {
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = 0;
    readUntil("terminado");
    ::close(out);
    out = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};
}  // namespace

TEST(TorvaSimProcess, ServesTheRobotLayerAndLogsCommands) {
  char logPath[] = "/tmp/torva-sim-log-XXXXXX";
  const int fd = ::mkstemp(logPath);
  ASSERT_GE(fd, 0);
  ::close(fd);
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--port", "0", "--cycle-ms", "20", "--pty", "--log", logPath}));
  ASSERT_TRUE(sim.readUntil("linea serie en /dev/"));
  int port = 0;
  const auto at = sim.text.find("127.0.0.1:");
  ASSERT_NE(at, std::string::npos);
  port = std::stoi(sim.text.substr(at + 10));
  ASSERT_GT(port, 0);

  {
    Aria::init();
    ArTcpConnection connection;
    ArRobot robot;
    ASSERT_EQ(connection.open("127.0.0.1", port), 0);
    robot.setDeviceConnection(&connection);
    ASSERT_TRUE(robot.blockingConnect());
    robot.comInt(4, 1);
    robot.runAsync(true);
    robot.setVel2(100, -100);
    EXPECT_TRUE(pollUntil([&] { return robot.getRawEncoderPose().getTh() < 0; }, 5s));
    Aria::shutdown();
  }
  // The log is written line by line; the session's end is its last line.
  const auto logText = [&] {
    std::ifstream log(logPath);
    std::stringstream all;
    all << log.rdbuf();
    return all.str();
  };
  EXPECT_TRUE(pollUntil([&] { return logText().find(" CLOSE 1") != std::string::npos; }, 5s));
  EXPECT_EQ(sim.stop(), 0);

  const std::string lines = logText();
  for (const char* name : {" SYNC0", " OPEN 1", " ENABLE 1", " VEL2 1531", " ENABLE 0", " CLOSE 1"})
    EXPECT_THAT(lines, testing::HasSubstr(name));
  ::unlink(logPath);
}

TEST(TorvaSimProcess, SerialRobotLinkClosesAndOpensAgain) {
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--no-tcp", "--cycle-ms", "20", "--pty"}));
  ASSERT_TRUE(sim.readUntil("linea serie en /dev/"));
  const std::string line = sim.labelled("linea serie en ");
  Aria::init();
  for (int session = 1; session <= 2; ++session) {
    SCOPED_TRACE(session);
    ArSerialConnection connection;
    ArRobot robot;
    const int code = connection.open(line.c_str());
    ASSERT_EQ(code, 0) << connection.getOpenMessage(code);
    robot.setDeviceConnection(&connection);
    ASSERT_TRUE(robot.blockingConnect());
    robot.runAsync(true);
    Aria::shutdown();
    EXPECT_FALSE(connection.isOpen());
    EXPECT_FALSE(lineExclusive(line));
  }
  EXPECT_EQ(sim.stop(), 0);
}

TEST(TorvaSimProcess, RejectsBadOptions) {
  for (std::vector<std::string> args : {std::vector<std::string>{"--port", "70000"},
                                        {"--cycle-ms", "0"},
                                        {"--bogus"},
                                        {"--gps-origin", "33S,70W"},
                                        {"--gps-origin", "-95,-70"},
                                        {"--gps-drop", "0"},
                                        {"--laser-noise", "-1"},
                                        {"--map"},
                                        {"--no-tcp"},
                                        {"--cola-port", "70000"},
                                        {"--lms-no-continuous"},
                                        {"--cola-no-events"}}) {
    SimProcess sim;
    ASSERT_TRUE(sim.start(args));
    EXPECT_EQ(sim.exitStatus(), 2) << args[0];
  }
}

// The world's outputs from the real program: the scan file seen from the
// map's home and NMEA sentences on the printed pseudo-terminal.
TEST(TorvaSimProcess, WritesTheScanFileAndGpsSentences) {
  char dir[] = "/tmp/torva-sim-world-XXXXXX";
  ASSERT_NE(::mkdtemp(dir), nullptr);
  SimProcess sim;
  ASSERT_TRUE(sim.start({"--port", "0", "--map", TORVA_TEST_DATA "/sim/office.map", "--laser-dir",
                         dir, "--gps-pty", "--gps-origin", "-33.5,-70.75", "--gps-drop", "3"}));
  ASSERT_TRUE(sim.readUntil("torva-sim gps en /dev/")) << sim.text;
  ASSERT_TRUE(sim.readUntil("\n"));
  const std::string scanPath = sim.labelled("torva-sim laser en ");
  const std::string gpsPath = sim.labelled("torva-sim gps en ");
  EXPECT_EQ(scanPath, std::string(dir) + "/data_sick.dat");
  EXPECT_THAT(sim.text, testing::HasSubstr("(5 paredes), robot en 500 250 -90"));

  // The home faces south, 1.75 m from the south wall, 1.5 m east of the west
  // wall and 7.5 m west of the east wall.
  std::ifstream scan(scanPath);
  double enable = 0, count = 0;
  ASSERT_TRUE(scan >> enable >> count);
  EXPECT_EQ(enable, -1);
  ASSERT_EQ(count, 361);
  std::vector<double> ranges;
  for (double r; scan >> r;) ranges.push_back(r);
  ASSERT_EQ(ranges.size(), 361u);
  EXPECT_EQ(ranges[0], 150);
  EXPECT_EQ(ranges[180], 175);
  EXPECT_EQ(ranges[360], 750);

  const int fd = ::open(gpsPath.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0) << gpsPath;
  std::string nmea;
  for (int i = 0; i < 350 && std::count(nmea.begin(), nmea.end(), '\n') < 5; ++i) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 10) <= 0) continue;
    char bytes[64];
    const long n = ::read(fd, bytes, sizeof bytes);
    if (n > 0) nmea.append(bytes, static_cast<std::size_t>(n));
  }
  ::close(fd);
  EXPECT_EQ(sim.stop(), 0);
  // Its threads ran clean: no sanitizer report among its output.
  EXPECT_THAT(sim.text, testing::Not(testing::HasSubstr("Sanitizer")));
  ::unlink(scanPath.c_str());
  ::rmdir(dir);

  std::istringstream lines(nmea);
  int gga = 0, rmc = 0, gsa = 0;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("$GPRMC")) ++rmc;
    if (line.starts_with("$GPGSA")) ++gsa;
    if (!line.starts_with("$GPGGA")) continue;
    ++gga;
    GgaSentence fix;
    ASSERT_EQ(parseGgaSentence(line, fix).status, GgaStatus::Accepted) << line;
    // 250 mm north and 500 mm east of the origin.
    EXPECT_EQ(fix.latitude.degrees, 33);
    EXPECT_NEAR(fix.latitude.minutes, 30 - 0.25 / 1852, 0.00002);
    EXPECT_EQ(fix.latitude.hemisphere, 'S');
    EXPECT_EQ(fix.longitude.degrees, 70);
    EXPECT_NEAR(fix.longitude.minutes, 45 - 0.5 / 1852 / std::cos(33.5 * M_PI / 180), 0.00002);
    EXPECT_EQ(fix.longitude.hemisphere, 'W');
  }
  EXPECT_GE(gga, 2) << nmea;
  EXPECT_GE(rmc, 2) << nmea;
  EXPECT_EQ(gsa, 0) << nmea;  // every third sentence is dropped: the GSA of each fix
}

TEST(TorvaSimProcess, RefusesAWorldItCannotUse) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"--map", TORVA_TEST_DATA "/sim/bad_wall.map"}, "linea 7: pared mal formada"},
      {{"--map", "/nonexistent/room.map"}, "no se puede abrir /nonexistent/room.map"},
      {{"--laser-dir", "/nonexistent/run"}, "no se puede escribir /nonexistent/run/data_sick.dat"},
  };
  for (const Case& c : cases) {
    SimProcess sim;
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), {"--port", "0"});
    ASSERT_TRUE(sim.start(args));
    EXPECT_EQ(sim.exitStatus(), 1) << c.message;
    EXPECT_THAT(sim.text, testing::HasSubstr(c.message));
  }
}
