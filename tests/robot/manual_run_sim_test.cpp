// The manual worker against the simulator: wheel speeds set by another thread
// reach the robot as VEL2, the station record follows the robot, and a run
// flag of 0 drives nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "robot/robot_workers.h"
#include "sim/sim_server.h"
#include "state/robot_controller.h"
#include "tests/support/console_capture.h"
#include "tests/support/poll_until.h"
#include "tests/support/sim_wheel_commands.h"

using namespace std::chrono_literals;

namespace {
// The simulated robot as it is: its true pose and wheel speeds (mm/s).
struct SimState {
  SimPose pose;
  double left = 0, right = 0;
};
SimState simState(SimServer& sim) {
  SimState s;
  sim.withRobot([&](SimRobot& r) {
    s.pose = r.truePose();
    s.left = r.leftVel();
    s.right = r.rightVel();
  });
  return s;
}

struct ManualRun {
  SimServer sim{realTimeSim()};
  std::unique_ptr<RobotController> station = std::make_unique<RobotController>();
  SharedWheelSpeeds wheels;
  Relaxed<int> run{1};
  std::thread worker;
  ConsoleCapture capture;
  std::string console;

  bool start() {
    std::string why;
    if (!sim.start(why)) return false;
    station->simulatorMode = 1;
    worker = std::thread(
        [this] { ipManualWorker("127.0.0.1", sim.tcpPort(), &wheels, &run, *station); });
    return true;
  }
  ~ManualRun() {
    if (worker.joinable()) {
      run = 0;
      worker.join();
    }
  }
  void stop() {
    run = 0;
    worker.join();
    console = capture.text();
  }
};
}  // namespace

TEST(ManualRun, WheelSpeedsReachTheRobotAndTheStationFollowsIt) {
  ManualRun m;
  ASSERT_TRUE(m.start());
  ASSERT_TRUE(pollUntil([&] { return countVel2(m.sim) > 0; }, 10000ms));
  EXPECT_TRUE(lastVel2Is(m.sim, {0, 0}));

  struct Step {
    float left, right;  // m/s
    // Held until the robot shows this, given where the step began.
    std::function<bool(const SimState& now, const SimState& start)> reached;
  };
  // Straight until at speed and 0.6 m ahead, a left arc until turned 0.8 rad
  // and 0.15 m to the left, a turn on the spot of 0.3 rad, then a stop.
  const Step steps[] = {
      {0.4f, 0.4f,
       [](const SimState& now, const SimState&) {
         return now.left == 400 && now.right == 400 && now.pose.x > 600;
       }},
      {0.1f, 0.4f,
       [](const SimState& now, const SimState&) { return now.pose.th > 0.8 && now.pose.y > 150; }},
      {-0.1f, 0.1f,
       [](const SimState& now, const SimState& start) {
         return now.pose.th > start.pose.th + 0.3;
       }},
      {0, 0, [](const SimState&, const SimState&) { return true; }},
  };
  for (const Step& s : steps) {
    const SimState start = simState(m.sim);
    m.wheels = WheelSpeeds{s.left, s.right};
    const Wheels want{static_cast<int>(std::lround(s.left * 1000)),
                      static_cast<int>(std::lround(s.right * 1000))};
    EXPECT_TRUE(pollUntil([&] { return lastVel2Is(m.sim, want); }, 2000ms))
        << want.left << " " << want.right;
    SimState now;
    EXPECT_TRUE(pollUntil(
        [&] {
          now = simState(m.sim);
          return s.reached(now, start);
        },
        10000ms))
        << want.left << " " << want.right << ": at " << now.pose.x << " " << now.pose.y << " "
        << now.pose.th << ", wheels " << now.left << " " << now.right;
    if (&s == &steps[0]) {
      // At speed: the record's speed follows the robot's.
      EXPECT_TRUE(pollUntil([&] { return std::abs(m.station->robotSpeed - 0.4) < 0.021; }, 3000ms))
          << m.station->robotSpeed;
    }
  }
  // Standing still: the record matches the robot's true pose, which is its
  // odometry in the simulator (the robot started at 0, 0, 0).
  ASSERT_TRUE(pollUntil(
      [&] {
        double v = 1;
        m.sim.withRobot([&](SimRobot& r) { v = std::abs(r.leftVel()) + std::abs(r.rightVel()); });
        return v == 0;
      },
      3000ms));
  // The record follows with the robot's next status packets.
  const SimPose truth = m.sim.truePose();
  EXPECT_TRUE(pollUntil(
      [&] {
        return std::abs(m.station->odoDisplacementX - truth.x / 1000) < 0.002 &&
               std::abs(m.station->odoDisplacementY - truth.y / 1000) < 0.002 &&
               std::abs(m.station->headingRad - truth.th) < 0.002 && m.station->robotSpeed == 0;
      },
      3000ms));
  EXPECT_NEAR(m.station->odoDisplacementX, truth.x / 1000, 0.002);
  EXPECT_NEAR(m.station->odoDisplacementY, truth.y / 1000, 0.002);
  EXPECT_NEAR(m.station->headingRad, truth.th, 0.002);
  EXPECT_EQ(m.station->robotSpeed, 0.0f);
  // Map rows follow x, columns run against y, 0.1 m cells from (250, 250).
  EXPECT_GT(truth.x, 500);
  EXPECT_GT(truth.y, 100);
  EXPECT_NEAR(m.station->mapRow, 250 + static_cast<int>(truth.x / 100), 1);
  EXPECT_NEAR(m.station->mapCol, 250 - static_cast<int>(truth.y / 100), 1);

  // The robot layer repeats the standing command every 500 ms while the loop
  // renews it: the worker is stopped right after a repeat, so that none is
  // due while it ends.
  const int repeated = countVel2(m.sim);
  ASSERT_TRUE(pollUntil([&] { return countVel2(m.sim) > repeated; }, 2000ms));
  const int sent = countVel2(m.sim);
  m.stop();
  // The worker ends without a stop command of its own; its link is closed
  // on the way out, which stops the robot.
  EXPECT_EQ(countVel2(m.sim), sent);
  EXPECT_TRUE(pollUntil([&] { return !m.sim.tcpClientConnected(); }, 3000ms));
  const auto log = m.sim.commandLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2].name, "ENABLE");
  EXPECT_EQ(log[log.size() - 2].value, 0);
  EXPECT_EQ(log.back().name, "CLOSE");
  EXPECT_NE(m.console.find("Tiempo conexion maxima: 10000 \n"), std::string::npos) << m.console;
  EXPECT_NE(m.console.find("runhola[0.000000] [0.000000] [0.000000]\n3c\n"), std::string::npos)
      << m.console;
}

TEST(ManualRun, ARunFlagOfZeroSendsNothing) {
  ManualRun m;
  m.run = 0;
  m.wheels = WheelSpeeds{0.5f, 0.5f};
  ASSERT_TRUE(m.start());
  m.worker.join();
  m.console = m.capture.text();
  EXPECT_TRUE(pollUntil([&] { return !m.sim.tcpClientConnected(); }, 3000ms));
  bool enabled = false;
  for (const auto& r : m.sim.commandLog()) {
    EXPECT_NE(r.name, "VEL2");
    enabled = enabled || (r.name == "ENABLE" && r.value == 1);
  }
  EXPECT_TRUE(enabled);  // it did connect
  EXPECT_NE(m.console.find("Tiempo conexion maxima: 10000 \n"), std::string::npos);
  EXPECT_NE(m.console.find("runhola3c\n"), std::string::npos) << m.console;
  EXPECT_TRUE(m.station->firstPose);
}

// Over a serial line, with the pose the robot library keeps: the manual run's
// encoder transform (1 mm, 1 mm, 1 degree) shows in its first line, and the
// wheel speeds go out on the line.
TEST(ManualRun, OverASerialLineWithTheKeptPose) {
  SimOptions o = realTimeSim();
  o.tcp = false;
  o.pty = true;
  SimServer sim(o);
  std::string why;
  ASSERT_TRUE(sim.start(why)) << why;
  ASSERT_EQ(setenv("TORVA_COM10", sim.ptyPath().c_str(), 1), 0);
  auto station = std::make_unique<RobotController>();
  SharedWheelSpeeds wheels{WheelSpeeds{-0.2f, 0.2f}};
  Relaxed<int> run{1};
  ConsoleCapture capture;
  std::thread worker([&] { serialManualWorker("COM10", &wheels, &run, *station); });
  const bool sent = pollUntil([&] { return lastVel2Is(sim, {-200, 200}); }, 10000ms);
  run = 0;
  worker.join();
  const std::string console = capture.text();
  EXPECT_TRUE(sent);
  for (const auto& r : sim.commandLog()) EXPECT_EQ(r.link, 's');
  EXPECT_NE(console.find("runhola[0.001000] [0.001000] [1.000000]\n3c\n"), std::string::npos)
      << console;
}
