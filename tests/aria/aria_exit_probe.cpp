// A station stand-in that drives robots and then ends its process, for the
// process-exit tests. Modes:
//   exit    leave through std::exit (the exit hook does the stop)
//   cleanup Aria::exitCleanup, then std::_Exit, as the station's quit does
//   lost    wait until a robot's link is lost; its disconnect callback runs
//           Aria::exitCleanup and std::_Exit(7), as the station's handler does
// Usage: aria_exit_probe MODE PORT [PORT2]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "aria/aria.h"

namespace {
struct Handler {
  void onDisconnected() {
    Aria::exitCleanup();
    std::fflush(stdout);
    std::_Exit(7);
  }
  ArFunctorC<Handler> callback{this, &Handler::onDisconnected};
};

struct Link {
  ArTcpConnection connection;
  ArRobot robot;
};
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const char* mode = argv[1];
  Aria::init();
  Handler handler;
  // Locals of main: no exit path destroys them, so every robot is alive and
  // connected when the process ends, as in a station that quits mid-run.
  std::unique_ptr<Link> links[2];
  for (int i = 0; i + 2 < argc && i < 2; ++i) {
    links[i] = std::make_unique<Link>();
    ArRobot& robot = links[i]->robot;
    robot.addDisconnectOnErrorCB(&handler.callback, ArListPos::FIRST);
    if (links[i]->connection.open("127.0.0.1", std::atoi(argv[i + 2])) != 0) return 3;
    robot.setDeviceConnection(&links[i]->connection);
    if (!robot.blockingConnect()) return 4;
    robot.comInt(4, 1);
    robot.runAsync(true);
    robot.setVel2(300, 300);
  }
  ArUtil::sleep(300);
  std::fflush(stdout);
  if (std::strcmp(mode, "cleanup") == 0) {
    Aria::exitCleanup();
    std::_Exit(0);
  }
  if (std::strcmp(mode, "lost") == 0) {
    for (;;) ArUtil::sleep(100);
  }
  std::exit(0);
}
