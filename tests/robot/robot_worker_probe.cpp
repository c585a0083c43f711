// A station stand-in for the lost-link tests: runs one robot worker against
// the robot at 127.0.0.1:PORT, the way the station's worker threads do, so a
// test can end the robot under it and look at how the process ends.
// Usage: robot_worker_probe auto PORT ROUTE_FILE
//        robot_worker_probe manual PORT
//        robot_worker_probe disconnect PORT   (connects a manual link, then
//                                              ends it from the station side)
// Prints "worker returned" and exits with 5 if the worker ever returns.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "aria/ar_util.h"
#include "robot/robot_link.h"
#include "robot/robot_workers.h"
#include "state/robot_controller.h"
#include "state/shared_value.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  auto station = std::make_unique<RobotController>();
  station->simulatorMode = 1;
  const int port = std::atoi(argv[2]);
  if (std::strcmp(argv[1], "auto") == 0 && argc >= 4) {
    station->routeFileName = argv[3];
    ipAutoWorker("127.0.0.1", port, *station);
  } else if (std::strcmp(argv[1], "manual") == 0) {
    SharedWheelSpeeds wheels{WheelSpeeds{0.2f, 0.2f}};
    Relaxed<int> run{1};
    ipManualWorker("127.0.0.1", port, &wheels, &run, *station);
  } else if (std::strcmp(argv[1], "disconnect") == 0) {
    RobotLink link("127.0.0.1", port);
    if (link.connectRobot(true) != 0) return 3;
    link.robot.disconnect();
    ArUtil::sleep(3000);
  } else {
    return 2;
  }
  std::printf("worker returned\n");
  std::fflush(stdout);
  return 5;
}
