// A process that ends with connected robots leaves them stopped: ENABLE 0 and
// CLOSE go out on the way out, by the exit hook, by Aria::exitCleanup, or by a
// disconnect callback that ends the process as the station's does.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>

#include "robot_test_support.h"

using namespace std::chrono_literals;

extern char** environ;

namespace {
pid_t spawnProbe(std::vector<std::string> args) {
  const std::string path = TORVA_BINARY_DIR "/tests/aria/aria_exit_probe";
  args.insert(args.begin(), path);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

int waitExit(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The commands after the first VEL2, keep-alives left out.
bool stoppedAndClosed(SimServer& sim) {
  std::vector<std::string> after;
  bool moving = false;
  for (const auto& r : sim.commandLog()) {
    if (r.name == "VEL2") moving = true;
    if (moving && r.name != "PULSE" && r.name != "VEL2")
      after.push_back(r.name + std::to_string(r.value));
  }
  if (after != std::vector<std::string>{"ENABLE0", "CLOSE1"}) return false;
  double speed = 1;
  sim.withRobot([&](SimRobot& r) { speed = r.leftVel(); });
  return speed == 0 && !sim.tcpClientConnected();
}
}  // namespace

TEST(ProcessExit, EveryConnectedRobotGetsEnableZeroAndClose) {
  for (const char* mode : {"exit", "cleanup"}) {
    SCOPED_TRACE(mode);
    SimServer a(realTimeSim()), b(realTimeSim());
    std::string why;
    ASSERT_TRUE(a.start(why));
    ASSERT_TRUE(b.start(why));
    const pid_t pid = spawnProbe({mode, std::to_string(a.tcpPort()), std::to_string(b.tcpPort())});
    ASSERT_GT(pid, 0);
    EXPECT_EQ(waitExit(pid), 0);
    EXPECT_TRUE(pollUntil([&] { return stoppedAndClosed(a); }, 2000ms));
    EXPECT_TRUE(pollUntil([&] { return stoppedAndClosed(b); }, 2000ms));
  }
}

TEST(ProcessExit, LostLinkCallbackEndsTheProcessAndStopsTheOtherRobot) {
  SimServer a(realTimeSim()), b(realTimeSim());
  std::string why;
  ASSERT_TRUE(a.start(why));
  ASSERT_TRUE(b.start(why));
  const pid_t pid = spawnProbe({"lost", std::to_string(a.tcpPort()), std::to_string(b.tcpPort())});
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(pollUntil([&] { return b.tcpClientConnected() && a.tcpClientConnected(); }, 5000ms));
  ASSERT_TRUE(pollUntil(
      [&] {
        int vel2 = 0;
        for (const auto& r : b.commandLog()) vel2 += r.name == "VEL2";
        return vel2 > 0;
      },
      5000ms));
  a.dropTcpClient(true);  // robot A's link is reset
  EXPECT_EQ(waitExit(pid), 7);
  EXPECT_TRUE(pollUntil([&] { return stoppedAndClosed(b); }, 2000ms));
}
