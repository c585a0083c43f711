// The robot side of the protocol, byte for byte: handshake answers, the
// command forms it accepts, CLOSE, and the watchdog.
#include "sim/sim_session.h"

#include <gtest/gtest.h>

#include "aria/ar_commands.h"
#include "aria/ar_config_packet.h"

namespace {
struct Session {
  SimRobot robot;
  SimCommandLog log;
  SimSession session{'t', robot, log, SimIdentity{}, 2000, 100};
  int64_t now = 1000;

  std::vector<uint8_t> send(const WirePacket& p) {
    std::vector<uint8_t> out;
    session.receive(p.data(), static_cast<std::size_t>(p.size), now, now, out);
    return out;
  }
  void open() {
    send(commandPacket(0));
    send(commandPacket(1));
    send(commandPacket(2));
    send(commandIntPacket(ArCommands::OPEN, 1));
  }
};

std::vector<uint8_t> wire(const WirePacket& p) {
  return {p.data(), p.data() + p.size};
}
}  // namespace

TEST(SimSession, AnswersTheHandshake) {
  Session s;
  EXPECT_EQ(s.send(commandPacket(0)), (std::vector<uint8_t>{0xFA, 0xFB, 3, 0, 0, 0}));
  EXPECT_EQ(s.send(commandPacket(1)), (std::vector<uint8_t>{0xFA, 0xFB, 3, 1, 0, 1}));
  const auto sync2 = s.send(commandPacket(2));
  const std::string strings(sync2.begin() + 4, sync2.end() - 2);
  EXPECT_EQ(sync2[3], 2);
  EXPECT_EQ(strings, std::string("torva-sim\0Pioneer\0p3dx-sh\0", 26));
  EXPECT_FALSE(s.session.isOpen());
  EXPECT_TRUE(s.send(commandIntPacket(ArCommands::OPEN, 1)).empty());
  EXPECT_TRUE(s.session.isOpen());

  const auto config = s.send(commandIntPacket(ArCommands::CONFIG, 1));
  ASSERT_GT(config.size(), 6u);
  ReceivedPacket p;
  p.type = config[3];
  p.dataSize = static_cast<int>(config.size()) - 6;
  std::copy(config.begin() + 4, config.end() - 2, p.dataBytes.begin());
  ArConfigFields fields;
  ASSERT_TRUE(decodeConfigPacket(p, fields));
  EXPECT_EQ(p.type, 0x20);
  EXPECT_EQ(fields.serialNumber, "SIM");
  EXPECT_EQ(fields.subType, "p3dx-sh");
  EXPECT_TRUE(fields.hasGyroType);
  EXPECT_EQ(fields.gyroType, 0);
}

TEST(SimSession, OutOfOrderSyncStartsOver) {
  Session s;
  s.send(commandPacket(0));
  EXPECT_TRUE(s.send(commandPacket(2)).empty());  // SYNC2 before SYNC1
  EXPECT_TRUE(s.send(commandPacket(1)).empty());  // needs SYNC0 first now
  EXPECT_EQ(s.send(commandPacket(0)), wire(commandPacket(0)));
}

TEST(SimSession, CommandsDriveTheRobotOnlyInAnOpenSession) {
  Session s;
  s.send(commandIntPacket(ArCommands::ENABLE, 1));  // before OPEN: ignored
  EXPECT_FALSE(s.robot.motorsEnabled());
  s.open();
  EXPECT_FALSE(s.robot.motorsEnabled());  // a robot opens with its motors off
  s.send(commandIntPacket(ArCommands::ENABLE, 1));
  EXPECT_TRUE(s.robot.motorsEnabled());
  s.send(commandIntPacket(ArCommands::SETA, 10000));
  s.send(commandIntPacket(ArCommands::VEL2, static_cast<int16_t>(0xFD06)));  // -3, +6
  s.robot.step(0.1);
  EXPECT_EQ(s.robot.leftVel(), -60);
  EXPECT_EQ(s.robot.rightVel(), 120);
  // Unknown commands and broken arguments change nothing.
  s.send(commandIntPacket(99, 5));
  WirePacket broken;
  const uint8_t bad[] = {0x3B, 0x01};
  buildPacket(ArCommands::VEL2, bad, 2, broken);
  s.send(broken);
  s.robot.step(0.1);
  EXPECT_EQ(s.robot.leftVel(), -60);
  s.send(commandPacket(ArCommands::ESTOP));
  EXPECT_EQ(s.robot.leftVel(), 0);

  s.send(commandIntPacket(ArCommands::CLOSE, 1));  // with the int clients send
  EXPECT_TRUE(s.session.closeRequested());
  EXPECT_FALSE(s.session.isOpen());
  EXPECT_FALSE(s.robot.motorsEnabled());

  const auto log = s.log.snapshot();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.back().name, "CLOSE");
  EXPECT_TRUE(log.back().hasInt);
  EXPECT_EQ(log.back().value, 1);
}

TEST(SimSession, WatchdogStopsTheRobotWhenTheClientFallsSilent) {
  Session s;
  s.open();
  s.send(commandIntPacket(ArCommands::ENABLE, 1));
  s.send(commandIntPacket(ArCommands::SETA, 10000));
  s.send(commandIntPacket(ArCommands::SETA, -10000));
  s.send(commandIntPacket(ArCommands::VEL2, 0x0505));
  s.robot.step(0.1);
  ASSERT_EQ(s.robot.leftVel(), 100);
  s.session.tick(s.now + 1900);
  s.robot.step(0.1);
  EXPECT_EQ(s.robot.leftVel(), 100);  // under 2 s: still driving
  s.session.tick(s.now + 2100);
  s.robot.step(0.1);
  EXPECT_EQ(s.robot.leftVel(), 0);
  EXPECT_TRUE(s.robot.motorsEnabled());  // stopped, not disabled
  // The client speaks again and drives again.
  s.now += 2200;
  s.send(commandIntPacket(ArCommands::VEL2, 0x0505));
  s.robot.step(0.1);
  EXPECT_EQ(s.robot.leftVel(), 100);
}

TEST(SimSession, SyncWhileOpenIsAPulseAndGetsNoEcho) {
  // A robot still in a session keeps streaming; the client sees status
  // packets instead of echoes and must CLOSE first.
  Session s;
  s.open();
  EXPECT_TRUE(s.send(commandPacket(0)).empty());
  EXPECT_TRUE(s.session.isOpen());
  EXPECT_EQ(s.log.snapshot().back().name, "PULSE");
}
