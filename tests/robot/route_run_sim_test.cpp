// Automatic workers against the simulator: the route file is driven to its last
// point over loopback TCP and over a pseudo-terminal, turning the short way
// each time, with the worker's console lines in order.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <numbers>
#include <string>
#include <vector>

#include "robot/robot_workers.h"
#include "sim/sim_server.h"
#include "state/robot_controller.h"
#include "tests/robot/heading_turns.h"
#include "tests/support/console_capture.h"
#include "tests/support/poll_until.h"

namespace {
constexpr double kDeg = 180 / std::numbers::pi;

// Five simulated seconds per real one: a status packet every 20 ms carrying
// 100 ms of motion, so each pose step is what a real-time robot at 10 Hz and
// half the speed would give. The station code runs as it is.
SimOptions quickSim(bool serial) {
  SimOptions o;
  o.port = 0;
  o.tcp = !serial;
  o.pty = serial;
  o.cycleMs = 20;
  o.stepMs = 100;
  return o;
}

// The true heading on every simulator cycle, unwrapped, in degrees.
struct HeadingTrace {
  std::mutex mutex;
  std::vector<double> headings;
  void add(double thRad) {
    std::lock_guard<std::mutex> lock(mutex);
    addHeading(headings, thRad * kDeg);
  }
  std::vector<double> turns() {
    std::lock_guard<std::mutex> lock(mutex);
    return netTurns(headings, 10);
  }
};

struct RouteCase {
  const char* name;
  const char* file;
  bool serial;
  std::vector<double> turns;  // expected net rotations, degrees
  double lastX, lastY;        // last route point, mm, from the route origin
};

// Each of `pieces` appears in text, in this order; the first missing one or "".
std::string firstMissingInOrder(const std::string& text, const std::vector<std::string>& pieces) {
  std::size_t at = 0;
  for (const auto& p : pieces) {
    const auto found = text.find(p, at);
    if (found == std::string::npos) return p;
    at = found + p.size();
  }
  return "";
}

void PrintTo(const RouteCase& c, std::ostream* os) {
  *os << c.name;
}

class RouteRun : public testing::TestWithParam<RouteCase> {};

TEST_P(RouteRun, EndsNearTheLastPointTurningTheShortWay) {
  const RouteCase& c = GetParam();
  SimServer sim(quickSim(c.serial));
  HeadingTrace trace;
  sim.addCycleObserver([&](const SimRobot& r, int64_t) { trace.add(r.truePose().th); });
  std::string why;
  ASSERT_TRUE(sim.start(why)) << why;

  auto station = std::make_unique<RobotController>();
  const std::string route = std::string(TORVA_TEST_DATA "/routes/") + c.file;
  station->routeFileName = route.c_str();
  // Over TCP the station is in simulator mode (raw encoder pose); over the
  // serial line it reads the robot's kept pose, as with a real robot.
  station->simulatorMode = c.serial ? 0 : 1;

  ConsoleCapture capture;
  int result;
  if (c.serial) {
    ASSERT_EQ(setenv("TORVA_COM9", sim.ptyPath().c_str(), 1), 0);
    result = serialAutoWorker("COM9", *station);
  } else {
    result = ipAutoWorker("127.0.0.1", sim.tcpPort(), *station);
  }
  const std::string console = capture.text();
  EXPECT_EQ(result, 0);

  // The kept pose carries the encoder transform of an automatic run (a
  // 0.91367844 degree turn), so there the route is laid out turned by it.
  const double tilt = c.serial ? -0.91367844 / kDeg : 0;
  const double wantX = c.lastX * std::cos(tilt) - c.lastY * std::sin(tilt);
  const double wantY = c.lastX * std::sin(tilt) + c.lastY * std::cos(tilt);
  const SimPose end = sim.truePose();
  EXPECT_LT(std::hypot(end.x - wantX, end.y - wantY), 350) << "ended at " << end.x << ", " << end.y;

  const std::vector<double> turns = trace.turns();
  ASSERT_EQ(turns.size(), c.turns.size());
  for (std::size_t i = 0; i < turns.size(); ++i) {
    EXPECT_NEAR(turns[i], c.turns[i], 12) << "turn " << i;
  }

  // The worker's lines, in order.
  std::vector<std::string> expected = {"1c\n",
                                       "\a->1\n",
                                       "\a->2\n",
                                       "\a->3\n",
                                       "2c\n",
                                       "Tiempo conexion maxima: 10000 \n",
                                       "Voltaje Baterias : ",
                                       route + "\a\a\n",
                                       "punto 0 -> 0.000000 0.000000 \n",
                                       "punto 1 -> 0.000000 2000.000000 \n",
                                       "corriendo ruta fijada\n"};
  // The first pose: at the route origin, heading as the pose source gives it
  // (the kept pose carries the automatic run's 0.91367844 degrees; its x and
  // y may print as -0.000000 there).
  expected.push_back(c.serial ? "0.000000] [0.913678]\n" : "[0.000000] [0.000000] [0.000000]\n");
  for (const char* line : {"angulo actual ", "angulo phi     ", "delta phi      ",
                           "velocidad de giro     ", "error angular      ", "regla "}) {
    expected.push_back(line);
  }
  for (const char* line :
       {"distancia ", "\a\n\n", "\nencoder ", "\nexiste 0 activo 1 paquetes 0\n", "3c\n"}) {
    expected.push_back(line);
  }
  EXPECT_EQ(firstMissingInOrder(console, expected), "") << console.substr(0, 2000);
  EXPECT_EQ(console.find("Open failed"), std::string::npos);
  EXPECT_EQ(console.find("perdida"), std::string::npos);

  // Every block names the direction that was taken.
  int blocks = 0;
  for (auto at = console.find("regla "); at != std::string::npos;
       at = console.find("regla ", at + 1), ++blocks) {
    int regla = 0, positivo = -1;
    ASSERT_EQ(std::sscanf(console.c_str() + at, "regla %d--> %d fin ", &regla, &positivo), 2);
    EXPECT_EQ(positivo, c.turns.front() > 0 ? 1 : 0) << console.substr(at, 40);
  }
  EXPECT_GT(blocks, 0);
  // One block per new pose at most: a 90 degree turn at about 1.9 degrees
  // per status packet gives a few dozen, not thousands.
  EXPECT_LT(blocks, 60 * static_cast<int>(c.turns.size()));

  // The summary after the last segment, "[y] [velocity]" then the run's ms:
  // the robot stands still and the drive took a while.
  const auto tail = console.find("]\n\a\n\n");
  ASSERT_NE(tail, std::string::npos);
  EXPECT_EQ(std::atof(console.c_str() + console.rfind('[', tail) + 1), 0.0);
  EXPECT_GT(std::atoi(console.c_str() + tail + 5), 2000);

  // The worker closed its link on the way out.
  EXPECT_TRUE(pollUntil([&] { return !sim.tcpClientConnected(); }, std::chrono::seconds(3)));
}

INSTANTIATE_TEST_SUITE_P(
    Routes, RouteRun,
    testing::Values(RouteCase{"SquareOverTcp", "square_2m.dat", false, {90, 90, 90}, 0, 0},
                    RouteCase{"ThreePointsOverTcp", "three_points.dat", false, {-90}, 2000, -1000},
                    RouteCase{
                        "ThreePointsOverSerial", "three_points.dat", true, {-90}, 2000, -1000}),
    [](const testing::TestParamInfo<RouteCase>& info) { return info.param.name; });

TEST(RouteRunWithoutFile, ConnectsFollowsNothingAndSumsUp) {
  SimServer sim(quickSim(false));
  std::string why;
  ASSERT_TRUE(sim.start(why)) << why;
  auto station = std::make_unique<RobotController>();
  station->routeFileName = TORVA_TEST_DATA "/routes/no_such_route.dat";
  station->simulatorMode = 1;
  ConsoleCapture capture;
  EXPECT_EQ(ipAutoWorker("127.0.0.1", sim.tcpPort(), *station), 0);
  const std::string console = capture.text();
  EXPECT_EQ(firstMissingInOrder(console, {"Tiempo conexion maxima: 10000 \n",
                                          "no_such_route.datcorriendo ruta fijada\n",
                                          "[1.000000] [0.000000]\n\a\n\n", "\nencoder ",
                                          "\nexiste 0 activo 1 paquetes 0\n3c\n"}),
            "")
      << console;
  EXPECT_EQ(console.find("distancia"), std::string::npos);
  for (const auto& r : sim.commandLog()) EXPECT_NE(r.name, "VEL2");
}
}  // namespace
