// Robot workers that cannot reach their robot, and a robot that vanishes
// under a running worker.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "robot/robot_workers.h"
#include "state/robot_controller.h"
#include "tests/support/child_process.h"
#include "tests/support/closed_port.h"
#include "tests/support/console_capture.h"
#include "tests/support/count_of.h"

namespace {}  // namespace

TEST(WorkerFailure, AnUnreachableRobotIsReportedAndTheWorkerStillEnds) {
  ClosedPort closed;
  ASSERT_GT(closed.port(), 0);
  ASSERT_EQ(setenv("TORVA_COM12", "/nonexistent/torva/tty", 1), 0);
  SharedWheelSpeeds wheels{WheelSpeeds{0.1f, 0.1f}};
  Relaxed<int> run{1};
  auto station = std::make_unique<RobotController>();
  station->routeFileName = TORVA_TEST_DATA "/routes/three_points.dat";
  const int port = closed.port();
  struct Case {
    const char* name;
    std::function<int()> worker;
  };
  const Case cases[] = {
      {"ipAuto", [&] { return ipAutoWorker("127.0.0.1", port, *station); }},
      {"ipManual", [&] { return ipManualWorker("127.0.0.1", port, &wheels, &run, *station); }},
      {"serialAuto", [&] { return serialAutoWorker("COM12", *station); }},
      {"serialManual", [&] { return serialManualWorker("COM12", &wheels, &run, *station); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConsoleCapture capture;
    EXPECT_EQ(c.worker(), 0);
    const std::string console = capture.text();
    const auto failed = console.find("Open failed: ");
    ASSERT_NE(failed, std::string::npos) << console;
    EXPECT_EQ(countOf(console, "Open failed: "), 1);
    // A non-empty reason on its own line, then the worker's last line.
    const auto eol = console.find('\n', failed);
    EXPECT_GT(eol, failed + 13);
    EXPECT_EQ(console.substr(eol + 1), "3c\n") << console;
    EXPECT_EQ(console.rfind("1c\n\a->1\n\a->2\n\a->3\n2c\n", 0), 0u) << console;
    // Nothing of a connected run happened.
    EXPECT_EQ(console.find("Tiempo conexion"), std::string::npos);
    EXPECT_EQ(console.find("corriendo ruta"), std::string::npos);
  }
  EXPECT_FALSE(station->routeLoaded);
  EXPECT_TRUE(station->firstPose);
}

TEST(WorkerFailure, ARobotThatNeverAnswersFailsTheConnectAndTheWorkerStillEnds) {
  ClosedPort silent(true);
  ASSERT_GT(silent.port(), 0);
  auto station = std::make_unique<RobotController>();
  station->routeFileName = TORVA_TEST_DATA "/routes/three_points.dat";
  ConsoleCapture capture;
  EXPECT_EQ(ipAutoWorker("127.0.0.1", silent.port(), *station), 0);
  const std::string console = capture.text();
  const std::string failed =
      "asyncConnect failed because robot is not running in its own thread.\n";
  const auto at = console.find(failed);
  ASSERT_NE(at, std::string::npos) << console;
  EXPECT_EQ(console.substr(at + failed.size()), "3c\n") << console;
  EXPECT_NE(console.find("No se pudo conectar con el robot: "), std::string::npos) << console;
  EXPECT_EQ(console.find("Open failed"), std::string::npos);
  EXPECT_FALSE(station->routeLoaded);
}

// The station process ends with status 1 and one line about the lost link
// when the robot goes away under a worker, whether it was driving a route or
// driven by hand; it prints nothing of the worker's own end.
TEST(WorkerFailure, ARobotLostMidRunEndsTheStationWithStatusOne) {
  struct Case {
    const char* mode;
    const char* runningMark;  // seen on the console once the robot moves
  };
  for (const Case c : {Case{"auto", "distancia "}, Case{"manual", "runhola["}}) {
    SCOPED_TRACE(c.mode);
    ChildProcess sim;
    const int port = startSimulator(sim, TORVA_BINARY_DIR, {"--cycle-ms", "20"});
    ASSERT_GT(port, 0) << sim.output();
    ChildProcess station;
    std::vector<std::string> args{TORVA_BINARY_DIR "/tests/robot/robot_worker_probe", c.mode,
                                  std::to_string(port)};
    if (std::string(c.mode) == "auto") args.push_back(TORVA_TEST_DATA "/routes/long_leg.dat");
    ASSERT_TRUE(station.start(args));
    ASSERT_TRUE(station.waitFor(c.runningMark, std::chrono::milliseconds(20000)))
        << station.output();
    sim.signal(SIGKILL);
    EXPECT_EQ(sim.wait(std::chrono::milliseconds(5000)), 128 + SIGKILL);
    // Within the moment the peer's end of the socket takes to be seen.
    EXPECT_EQ(station.wait(std::chrono::milliseconds(15000)), 1) << station.output();
    const std::string& out = station.output();
    EXPECT_EQ(countOf(out, "Conexion con el robot perdida: "), 1) << out;
    EXPECT_EQ(out.find("3c\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("worker returned"), std::string::npos) << out;
    EXPECT_EQ(out.find("Sanitizer"), std::string::npos) << out;
    // The lost-link line is the last thing printed.
    const auto lost = out.rfind("Conexion con el robot perdida: ");
    ASSERT_NE(lost, std::string::npos);
    EXPECT_EQ(out.find('\n', lost), out.size() - 1) << out;
  }
}

// A link the station ends itself is a normal end: status 0, no lost-link line.
TEST(WorkerFailure, ALinkEndedByTheStationEndsItWithStatusZero) {
  ChildProcess sim;
  const int port = startSimulator(sim, TORVA_BINARY_DIR, {"--cycle-ms", "20"});
  ASSERT_GT(port, 0) << sim.output();
  ChildProcess station;
  ASSERT_TRUE(station.start(
      {TORVA_BINARY_DIR "/tests/robot/robot_worker_probe", "disconnect", std::to_string(port)}));
  EXPECT_EQ(station.wait(std::chrono::milliseconds(15000)), 0) << station.output();
  const std::string& out = station.output();
  EXPECT_NE(out.find("Tiempo conexion maxima: 10000 \n"), std::string::npos) << out;
  EXPECT_EQ(out.find("perdida"), std::string::npos) << out;
  EXPECT_EQ(out.find("worker returned"), std::string::npos) << out;
  EXPECT_EQ(out.find("Sanitizer"), std::string::npos) << out;
}
