#include "robot/robot_link.h"

#include <atomic>

#include "aria/ar_util.h"
#include "aria/aria_init.h"
#include "os/console_print.h"
#include "robot/manual_drive.h"
#include "robot/robot_motion.h"
#include "robot/route_file.h"
#include "robot/route_follower.h"
#include "state/robot_controller.h"

namespace {
constexpr int kConnectionTimeoutMs = 10000;
constexpr double kAutoTransformHeading = 0.91367844;  // degrees
constexpr double kManualTransformHeading = 1.0;       // degrees

// Robot commands sent once the robot is connected.
constexpr int kSonar = 28;
constexpr int kEnable = 4;
constexpr int kSoundToggle = 92;

std::atomic<void (*)(bool)> linkEndHandler{nullptr};

void reportLinkEnd(bool lost) {
  if (auto handler = linkEndHandler.load()) handler(lost);
}

long msSince(std::chrono::steady_clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count());
}
}  // namespace

ConnectionHandler::ConnectionHandler(ArRobot* robot)
    : robot_(robot),
      connectedCB_(this, &ConnectionHandler::onConnected),
      failedCB_(this, &ConnectionHandler::onConnectFailed),
      disconnectedCB_(this, &ConnectionHandler::onDisconnected),
      lostCB_(this, &ConnectionHandler::onLinkLost) {
  robot_->addConnectCB(&connectedCB_, ArListPos::FIRST);
  robot_->addFailedConnectCB(&failedCB_, ArListPos::FIRST);
  robot_->addDisconnectNormallyCB(&disconnectedCB_, ArListPos::FIRST);
  robot_->addDisconnectOnErrorCB(&lostCB_, ArListPos::FIRST);
}

ConnectionHandler::~ConnectionHandler() {
  robot_->remConnectCB(&connectedCB_);
  robot_->remFailedConnectCB(&failedCB_);
  robot_->remDisconnectNormallyCB(&disconnectedCB_);
  robot_->remDisconnectOnErrorCB(&lostCB_);
}

void ConnectionHandler::onConnected() {
  robot_->comInt(kSonar, 0);
  robot_->comInt(kEnable, 1);
  robot_->comInt(kSoundToggle, 0);
}

void ConnectionHandler::onConnectFailed() {
  robot_->stopRunning(true);
  Aria::shutdown();
}

void setRobotLinkEndHandler(void (*handler)(bool lost)) {
  linkEndHandler.store(handler);
}

void ConnectionHandler::onDisconnected() {
  reportLinkEnd(false);
}

// The robot layer has already said on the console why the link was lost.
void ConnectionHandler::onLinkLost() {
  reportLinkEnd(true);
}

RobotLink::RobotLink() : connectionHandler(&robot) {}

RobotLink::RobotLink(const char* address, int port) : RobotLink() {
  consolePrintf("\a->1\n");
  robotAddress = address;
  tcpPort = port;
  useSerial = 0;
  consolePrintf("\a->2\n");
  routeStopwatch = std::chrono::steady_clock::now();
  consolePrintf("\a->3\n");
}

RobotLink::RobotLink(const char* port) : RobotLink() {
  consolePrintf("\a->1\n");
  portName = port;
  useSerial = 1;
  consolePrintf("\a->2\n");
  routeStopwatch = std::chrono::steady_clock::now();
  consolePrintf("\a->3\n");
}

RobotLink::~RobotLink() {
  robot.closeQuietly();
}

ArDeviceConnection& RobotLink::connection() {
  if (useSerial) return serialConnection;
  return tcpConnection;
}

int RobotLink::connectRobot(bool manualMode) {
  Aria::init();
  if (useSerial) {
    serialConnection.setPort(portName.c_str());
    openResult = serialConnection.open();
  } else {
    openResult = tcpConnection.open(robotAddress.c_str(), tcpPort);
  }
  if (openResult != 0) {
    openMessage = connection().getOpenMessage(openResult);
    consolePrintf("Open failed: %s\n", openMessage.c_str());
    Aria::shutdown();
    return 1;
  }
  robot.setDeviceConnection(&connection());
  if (!robot.blockingConnect()) {
    consolePrintf("asyncConnect failed because robot is not running in its own thread.\n");
    Aria::shutdown();
    return 1;
  }
  gyro = std::make_unique<ArAnalogGyro>(&robot);
  gyro->activate();
  robot.setConnectionTimeoutTime(kConnectionTimeoutMs);
  currentPose.setPose(1, 1, manualMode ? kManualTransformHeading : kAutoTransformHeading);
  robot.setEncoderTransform(ArPose(currentPose));
  robot.runAsync(true);
  consolePrintf("Tiempo conexion maxima: %d \n", robot.getConnectionTimeoutTime());
  consolePrintf("Voltaje Baterias : %f \n", robot.getBatteryVoltage());
  return 0;
}

int RobotLink::runRoute(RobotController& station) {
  readRouteFile(station);
  consolePrintf("corriendo ruta fijada\n");
  currentPose.setPose(0, 0, 0);
  routeStopwatch = std::chrono::steady_clock::now();
  RobotMotion motion(robot, station);
  followRoute(motion, currentPose, segmentStart, segmentEnd, station);

  consolePrintf("[%f] [%f]\n", robot.getPose().getY(), robot.getVel());
  consolePrintf("\a\n\n%d\n", static_cast<int>(msSince(routeStopwatch)));
  robot.lock();
  const ArPose final = motion.readPose().pose;
  consolePrintf("\nencoder %f %f %f\n", final.getX(), final.getY(), final.getTh());
  robot.unlock();
  consolePrintf("\nexiste %d activo %d paquetes %d\n", gyro->haveGottenData() ? 1 : 0,
                gyro->isActive() ? 1 : 0, gyro->getPacCount());
  Aria::shutdown();
  return 0;
}

int RobotLink::runManual(const SharedWheelSpeeds* wheels, const Relaxed<int>* runFlag,
                         RobotController& station, MainThreadHeartbeat* heartbeat) {
  consolePrintf("run");
  currentPose.setPose(0, 0, 0);
  consolePrintf("hola");
  routeStopwatch = std::chrono::steady_clock::now();
  if (*runFlag != 0) {
    RobotMotion motion(robot, station);
    manualDriveLoop(motion, currentPose, wheels, runFlag, station, heartbeat);
  }
  return 0;
}
