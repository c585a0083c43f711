// A station stand-in that drives a robot and then ends its process, for the
// process-exit tests: "exit" leaves through std::exit (the exit hook),
// "cleanup" calls Aria::exitCleanup and then std::_Exit, as the station does.
// Usage: aria_exit_probe PORT exit|cleanup
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "aria/aria.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  Aria::init();
  ArTcpConnection connection;
  // Locals of main: neither exit path destroys them, so the robot is still
  // alive and connected when the process ends, as in a station that quits.
  ArRobot robotObject;
  ArRobot* robot = &robotObject;
  if (connection.open("127.0.0.1", std::atoi(argv[1])) != 0) return 3;
  robot->setDeviceConnection(&connection);
  if (!robot->blockingConnect()) return 4;
  robot->comInt(4, 1);
  robot->runAsync(true);
  robot->setVel2(300, 300);
  ArUtil::sleep(300);
  std::fflush(stdout);
  if (std::strcmp(argv[2], "cleanup") == 0) {
    Aria::exitCleanup();
    std::_Exit(0);
  }
  std::exit(0);
}
