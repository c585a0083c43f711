// A process that ends with a connected robot leaves it stopped: ENABLE 0 and
// CLOSE go out on the way out, by the exit hook or by Aria::exitCleanup.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>

#include "robot_test_support.h"

extern char** environ;

namespace {
int runProbe(int port, const char* mode) {
  const std::string path = TORVA_BINARY_DIR "/tests/aria/aria_exit_probe";
  const std::string portText = std::to_string(port);
  char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(portText.c_str()),
                  const_cast<char*>(mode), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

TEST(ProcessExit, EveryConnectedRobotGetsEnableZeroAndClose) {
  for (const char* mode : {"exit", "cleanup"}) {
    SCOPED_TRACE(mode);
    SimServer sim(fastSimOptions());
    std::string why;
    ASSERT_TRUE(sim.start(why));
    ASSERT_EQ(runProbe(sim.tcpPort(), mode), 0);
    std::vector<std::string> after;
    EXPECT_TRUE(waitFor(
        [&] {
          after.clear();
          bool moving = false;
          for (const auto& r : sim.commandLog()) {
            if (r.name == "VEL2") moving = true;
            if (moving && r.name != "PULSE" && r.name != "VEL2")
              after.push_back(r.name + std::to_string(r.value));
          }
          return after.size() >= 2;
        },
        2000));
    EXPECT_EQ(after, (std::vector<std::string>{"ENABLE0", "CLOSE1"}));
    EXPECT_TRUE(waitFor([&] { return !sim.tcpClientConnected(); }, 1000));
    double speed = 1;
    EXPECT_TRUE(waitFor(
        [&] {
          sim.withRobot([&](SimRobot& r) { speed = r.leftVel(); });
          return speed == 0;
        },
        1000));
  }
}
