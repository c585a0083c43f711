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

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "aria/aria.h"

extern char** environ;

namespace {
struct SimProcess {
  pid_t pid = 0;
  int out = -1;
  std::string text;

  bool start(std::vector<std::string> args) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
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
    readUntil("terminado");
    ::close(out);
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
    ArUtil::sleep(300);
    EXPECT_LT(robot.getRawEncoderPose().getTh(), 0);
    Aria::shutdown();
  }
  ArUtil::sleep(100);
  EXPECT_EQ(sim.stop(), 0);

  std::ifstream log(logPath);
  std::stringstream all;
  all << log.rdbuf();
  const std::string lines = all.str();
  for (const char* name : {" SYNC0", " OPEN 1", " ENABLE 1", " VEL2 1531", " ENABLE 0", " CLOSE 1"})
    EXPECT_THAT(lines, testing::HasSubstr(name));
  ::unlink(logPath);
}

TEST(TorvaSimProcess, RejectsBadOptions) {
  for (std::vector<std::string> args : {std::vector<std::string>{"--port", "70000"},
                                        {"--cycle-ms", "0"},
                                        {"--bogus"},
                                        {"--no-tcp"}}) {
    SimProcess sim;
    ASSERT_TRUE(sim.start(args));
    int status = 0;
    ::waitpid(sim.pid, &status, 0);
    ::close(sim.out);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2) << args[0];
  }
}
