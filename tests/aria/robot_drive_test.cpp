// The robot layer driving the simulator over loopback TCP: wheel commands on
// the wire and in the robot, poses past the 15-bit counters, the encoder
// transform, velocity and battery.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

#include "aria/ar_commands.h"
#include "aria/ar_vel2_packing.h"
#include "robot_test_support.h"

using namespace std::chrono_literals;

namespace {
constexpr uint8_t kMarkerType = 0x21;  // no packet of the protocol has it

int lastVel2(const SimServer& sim) {
  int value = 0;
  for (const auto& r : sim.commandLog())
    if (r.name == "VEL2") value = r.value;
  return value;
}
}  // namespace

TEST(RobotDrive, Vel2ReachesTheWheelsWithTheDocumentedPacking) {
  SimLink link;
  ASSERT_TRUE(link.up());
  link.robot.comInt(ArCommands::SETA, 20000);  // reach each speed within a cycle
  link.robot.comInt(ArCommands::SETA, -20000);
  struct Case {
    double left, right;
    int packed;  // the value the simulator logs
    double simLeft, simRight;
  };
  const Case cases[] = {
      {100, -100, 0x05FB, 100, -100},  // bytes 3B FB 05
      {-60, 120, static_cast<int16_t>(0xFD06), -60, 120},
      {300, 300, 0x0F0F, 300, 300},
      {-209, -191, static_cast<int16_t>(0xF6F6), -200, -200},  // rounded to 20 mm/s steps
      {9000, -9000, 0x7F81, 1500, -1500},  // clamped to 127 units; the robot caps at 1500
      {0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << ", " << c.right);
    link.robot.setVel2(c.left, c.right);
    EXPECT_TRUE(pollUntil([&] { return lastVel2(link.sim) == c.packed; }, 1000ms));
    double l = 0, r = 0;
    EXPECT_TRUE(pollUntil(
        [&] {
          link.sim.withRobot([&](SimRobot& robot) {
            l = robot.leftVel();
            r = robot.rightVel();
          });
          return l == c.simLeft && r == c.simRight;
        },
        1000ms))
        << l << " " << r;
    // The status packets bring the same wheel speeds back.
    EXPECT_TRUE(pollUntil(
        [&] {
          return link.robot.getLeftVel() == c.simLeft && link.robot.getRightVel() == c.simRight;
        },
        1000ms));
    EXPECT_DOUBLE_EQ(link.robot.getVel(), (c.simLeft + c.simRight) / 2);
  }
  Aria::shutdown();
}

TEST(RobotDrive, TurnDirectionFollowsTheWheelDifference) {
  SimLink link;
  ASSERT_TRUE(link.up());
  link.robot.comInt(ArCommands::SETA, 20000);
  link.robot.comInt(ArCommands::SETA, -20000);
  link.robot.setVel2(100, -100);  // right slower: clockwise, heading falls
  EXPECT_TRUE(pollUntil([&] { return link.robot.getRawEncoderPose().getTh() < -1; }, 2000ms))
      << link.robot.getRawEncoderPose().getTh();
  EXPECT_LT(link.sim.truePose().th, -0.01);
  link.robot.setVel2(-60, 120);  // counter-clockwise
  const double before = link.robot.getRawEncoderPose().getTh();
  EXPECT_TRUE(
      pollUntil([&] { return link.robot.getRawEncoderPose().getTh() > before + 1; }, 2000ms))
      << before << " then " << link.robot.getRawEncoderPose().getTh();
  Aria::shutdown();
}

TEST(RobotDrive, PoseStaysRightPastThe15BitCounters) {
  SimOptions options = realTimeSim();
  options.model = "p3dx";  // 0.485 mm per count: 32768 counts are 15.9 m
  options.cycleMs = 5;
  options.stepMs = 100;  // fast-forward: 2.54 m of simulated travel per real 0.1 s
  SimLink link(options);
  ASSERT_TRUE(link.up());
  EXPECT_DOUBLE_EQ(link.robot.getRobotParams().distConvFactor, 0.485);
  link.robot.comInt(ArCommands::SETV, 2540);
  link.robot.comInt(ArCommands::SETA, 30000);
  link.robot.comInt(ArCommands::SETA, -30000);

  auto settle = [&] {
    link.robot.setVel2(0, 0);
    EXPECT_TRUE(pollUntil([&] { return link.robot.getVel() == 0; }, 2000ms));
    // Two more status packets at rest carry the final pose.
    const long atRest = link.robot.getStatusPacketCount();
    EXPECT_TRUE(pollUntil([&] { return link.robot.getStatusPacketCount() >= atRest + 2; }, 2000ms));
  };
  auto odometryX = [&] {
    double x = 0;
    link.sim.withRobot([&](SimRobot& r) { x = r.odometryPose().x; });
    return x;
  };
  // Each command is renewed while it is meant, as the station's workers do.
  EXPECT_TRUE(pollUntil(
      [&] {
        link.robot.setVel2(2540, 2540);
        return odometryX() > 20000;
      },
      10000ms));
  settle();
  EXPECT_GT(odometryX(), 20000 * 0.485 * 2);  // well past 32768 counts
  EXPECT_NEAR(link.robot.getRawEncoderPose().getX(), odometryX(), 1.0);

  EXPECT_TRUE(pollUntil(
      [&] {
        link.robot.setVel2(-2540, -2540);  // back through zero and the negative wrap
        return odometryX() < -20000;
      },
      20000ms));
  settle();
  EXPECT_NEAR(link.robot.getRawEncoderPose().getX(), odometryX(), 1.0);
  EXPECT_NEAR(link.robot.getRawEncoderPose().getY(), 0, 1.0);
  Aria::shutdown();
}

TEST(RobotDrive, EncoderTransformMapsTheRawPoseAtOnceAndThereafter) {
  SimLink link;
  ASSERT_TRUE(link.up());
  link.robot.comInt(ArCommands::SETA, 20000);  // start and stop within a cycle
  link.robot.comInt(ArCommands::SETA, -20000);
  ASSERT_TRUE(pollUntil(
      [&] {
        link.robot.setVel2(200, 200);
        return link.robot.getRawEncoderPose().getX() > 100;
      },
      3000ms));
  link.robot.setVel2(0, 0);
  ASSERT_TRUE(pollUntil([&] { return link.robot.getVel() == 0; }, 2000ms));
  // No status packet may be what recomputes the pose: the simulator falls
  // silent, then sends a packet of a type the layer does not know, which its
  // cycle takes after every status packet sent before it.
  link.sim.setSilent(true);
  std::atomic<bool> marked{false};
  const int marker =
      link.robot.addPacketHandler(kMarkerType, [&](const ReceivedPacket&) { marked = true; });
  WirePacket packet;
  ASSERT_TRUE(buildPacket(kMarkerType, nullptr, 0, packet));
  link.sim.sendRaw({packet.data(), packet.data() + packet.size});
  ASSERT_TRUE(pollUntil([&] { return marked.load(); }, 2000ms));
  link.robot.remPacketHandler(marker);
  const ArPose raw = link.robot.getRawEncoderPose();
  ASSERT_GT(raw.getX(), 50);
  link.robot.setEncoderTransform(ArPose(1000, 500, 90));
  ArPose pose = link.robot.getPose();
  EXPECT_NEAR(pose.getX(), 1000 - raw.getY(), 1e-6);
  EXPECT_NEAR(pose.getY(), 500 + raw.getX(), 1e-6);
  EXPECT_NEAR(pose.getTh(), ArMath::fixAngle(raw.getTh() + 90), 1e-6);

  link.sim.setSilent(false);
  ASSERT_TRUE(pollUntil(
      [&] {
        link.robot.setVel2(200, 200);  // forward along raw x is along +y now
        return link.robot.getRawEncoderPose().getX() > raw.getX() + 100;
      },
      3000ms));
  link.robot.setVel2(0, 0);
  ASSERT_TRUE(pollUntil([&] { return link.robot.getVel() == 0; }, 2000ms));
  link.robot.lock();  // pose and raw pose of the same packet
  const ArPose raw2 = link.robot.getRawEncoderPose();
  pose = link.robot.getPose();
  link.robot.unlock();
  EXPECT_GT(raw2.getX(), raw.getX() + 50);
  EXPECT_NEAR(pose.getX(), 1000 - raw2.getY(), 1e-6);
  EXPECT_NEAR(pose.getY(), 500 + raw2.getX(), 1e-6);
  Aria::shutdown();
}

TEST(RobotDrive, BatteryIsThirteenVoltsUntilTheFirstStatusPacket) {
  SimLink link;
  EXPECT_DOUBLE_EQ(link.robot.getBatteryVoltage(), 13.0);
  ASSERT_TRUE(link.up());
  EXPECT_TRUE(pollUntil([&] { return link.robot.getStatusPacketCount() > 0; }, 1000ms));
  EXPECT_DOUBLE_EQ(link.robot.getBatteryVoltage(), 12.5);
  EXPECT_TRUE(pollUntil([&] { return link.robot.areMotorsEnabled(); }, 1000ms));
  ArAnalogGyro gyro(&link.robot);  // the simulator has no gyro
  gyro.activate();
  EXPECT_TRUE(gyro.isActive());
  EXPECT_FALSE(gyro.haveGottenData());
  EXPECT_EQ(gyro.getPacCount(), 0);
  EXPECT_EQ(link.count("GYRO"), 0);
  Aria::shutdown();
}

TEST(RobotDrive, StationConnectCallbackCommandsReachTheRobot) {
  SimLink link;
  // What the station's connect handler sends: sonar off, motors on, sounds off.
  link.connected.extra = [&link] {
    link.robot.comInt(ArCommands::SONAR, 0);
    link.robot.comInt(ArCommands::ENABLE, 1);
    link.robot.comInt(ArCommands::SOUNDTOG, 0);
  };
  ASSERT_TRUE(link.up(false));
  ASSERT_TRUE(pollUntil([&] { return link.count("SOUNDTOG") == 1; }, 1000ms));
  std::vector<std::string> names;
  for (const auto& r : link.sim.commandLog()) {
    if (r.name != "PULSE") names.push_back(r.name);
  }
  const std::vector<std::string> expected = {"SYNC0",  "SYNC1", "SYNC2",  "OPEN",
                                             "CONFIG", "SONAR", "ENABLE", "SOUNDTOG"};
  EXPECT_EQ(names, expected);
  EXPECT_TRUE(pollUntil([&] { return link.robot.areMotorsEnabled(); }, 1000ms));
  Aria::shutdown();
}
