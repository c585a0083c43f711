#pragma once
// One robot worker's link: the connection (TCP or serial), the robot, its gyro
// and the callbacks that react to the link's events.
#include <chrono>
#include <memory>
#include <string>

#include "aria/ar_analog_gyro.h"
#include "aria/ar_functor.h"
#include "aria/ar_pose.h"
#include "aria/ar_robot.h"
#include "aria/ar_serial_connection.h"
#include "aria/ar_tcp_connection.h"
#include "state/main_thread_heartbeat.h"
#include "state/shared_value.h"
#include "state/wheel_speeds.h"

struct RobotController;

// Reacts to the robot's link: prepares the robot once connected, stops the
// robot's cycle when the connection fails inside the library, and ends the
// station when the link goes (status 0 when the station itself disconnected,
// 1 with a console line when the link was lost).
class ConnectionHandler {
 public:
  explicit ConnectionHandler(ArRobot* robot);
  ~ConnectionHandler();
  ConnectionHandler(const ConnectionHandler&) = delete;
  ConnectionHandler& operator=(const ConnectionHandler&) = delete;

  void onConnected();
  void onConnectFailed();
  void onDisconnected();
  void onLinkLost();

 private:
  ArRobot* robot_;
  ArFunctorC<ConnectionHandler> connectedCB_;
  ArFunctorC<ConnectionHandler> failedCB_;
  ArFunctorC<ConnectionHandler> disconnectedCB_;
  ArFunctorC<ConnectionHandler> lostCB_;
};

struct RobotLink {
  // TCP link to address:port.
  RobotLink(const char* address, int port);
  // Serial link on the named port.
  explicit RobotLink(const char* port);
  // Ends the robot's cycle (and with it every callback) before any member
  // goes, so no callback can reach a handler that is gone.
  ~RobotLink();
  RobotLink(const RobotLink&) = delete;
  RobotLink& operator=(const RobotLink&) = delete;

  // Opens the link, connects and prepares the robot; 0 on success, 1 after a
  // failure (printed). manualMode picks the encoder transform.
  int connectRobot(bool manualMode);
  // The automatic run: the route file, then the route segment by segment.
  int runRoute(RobotController& station);
  // The manual run: the operator's wheel speeds until the run flag is 0.
  int runManual(const SharedWheelSpeeds* wheels, const Relaxed<int>* runFlag,
                RobotController& station, MainThreadHeartbeat* heartbeat = nullptr);

  std::string openMessage;
  int openResult = 0;
  ArPose currentPose;
  ArPose segmentEnd;
  ArPose segmentStart;
  std::chrono::steady_clock::time_point routeStopwatch;
  ArTcpConnection tcpConnection;
  ArSerialConnection serialConnection;
  ArRobot robot;
  std::unique_ptr<ArAnalogGyro> gyro;
  ConnectionHandler connectionHandler;
  std::string portName;
  std::string robotAddress;
  int tcpPort = 0;
  int useSerial = 0;

 private:
  RobotLink();
  ArDeviceConnection& connection();
};
