// How a link ends and how it is kept alive: the disconnect callbacks, the
// quiet close of Aria::shutdown, keep-alives while idle, and no flood from a
// tight setVel2 loop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "aria/ar_commands.h"
#include "robot_test_support.h"

namespace {
std::vector<int64_t> times(const SimServer& sim, const std::string& name) {
  std::vector<int64_t> t;
  for (const auto& r : sim.commandLog())
    if (r.name == name) t.push_back(r.timeMs);
  return t;
}

// The last commands the simulator got, PULSE left out.
std::vector<std::string> tail(const SimServer& sim, std::size_t n) {
  std::vector<std::string> names;
  for (const auto& r : sim.commandLog()) {
    if (r.name == "PULSE") continue;
    std::string text = r.name;
    if (r.hasInt) text.append(" ").append(std::to_string(r.value));
    names.push_back(text);
  }
  if (names.size() > n) names.erase(names.begin(), names.end() - static_cast<long>(n));
  return names;
}
}  // namespace

TEST(RobotLinkLife, PeerFaultsCallDisconnectOnErrorFromTheLayer) {
  enum Fault { Closes, Resets, ResetPacket, FallsSilent };
  const Fault faults[] = {Closes, Resets, ResetPacket, FallsSilent};
  for (Fault fault : faults) {
    SCOPED_TRACE(static_cast<int>(fault));
    SimLink link;
    ASSERT_TRUE(link.up());
    link.robot.setConnectionTimeoutTime(300);
    EXPECT_EQ(link.robot.getConnectionTimeoutTime(), 300);
    testing::internal::CaptureStdout();
    switch (fault) {
      case Closes:
        link.sim.dropTcpClient(false);
        break;
      case Resets:
        link.sim.dropTcpClient(true);
        break;
      case ResetPacket:
        link.sim.sendRaw({0xFA, 0xFB, 0x03, 0xFE, 0x00, 0xFE});
        break;
      case FallsSilent:
        link.sim.setSilent(true);
        break;
    }
    EXPECT_TRUE(waitFor([&] { return link.error.calls.load() == 1; }, 3000));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_THAT(out, testing::HasSubstr("Conexion con el robot perdida"));
    EXPECT_TRUE(link.error.onLayerThread);
    EXPECT_FALSE(link.robot.isConnected());
    EXPECT_EQ(link.normal.calls, 0);
    Aria::shutdown();
    EXPECT_EQ(link.error.calls, 1);  // once, and shutdown adds none
  }
}

TEST(RobotLinkLife, SilenceShorterThanTheTimeOutKeepsTheLink) {
  SimLink link;
  ASSERT_TRUE(link.up());
  link.robot.setConnectionTimeoutTime(600);
  link.sim.setSilent(true);
  ArUtil::sleep(300);
  link.sim.setSilent(false);
  ArUtil::sleep(500);
  EXPECT_TRUE(link.robot.isConnected());
  EXPECT_EQ(link.error.calls, 0);
  Aria::shutdown();
}

TEST(RobotLinkLife, ShutdownEndsTheLinkCleanlyWithoutCallbacks) {
  SimLink link;
  ASSERT_TRUE(link.up());
  link.robot.setVel2(300, 300);
  ASSERT_TRUE(waitFor([&] { return link.robot.getVel() > 0; }, 2000));
  Aria::shutdown();
  const std::vector<std::string> closing = {"ENABLE 0", "CLOSE 1"};
  EXPECT_TRUE(waitFor([&] { return tail(link.sim, 2) == closing; }, 1000));
  EXPECT_TRUE(waitFor([&] { return !link.sim.tcpClientConnected(); }, 1000));
  bool stopped = false;
  link.sim.withRobot([&](SimRobot& r) { stopped = r.leftVel() == 0 && !r.motorsEnabled(); });
  EXPECT_TRUE(stopped);
  EXPECT_FALSE(link.robot.isRunning());
  EXPECT_EQ(link.normal.calls + link.error.calls, 0);
  // Nothing more goes out once closed.
  link.robot.setVel2(100, 100);
  EXPECT_FALSE(link.robot.comInt(ArCommands::ENABLE, 1));
}

TEST(RobotLinkLife, StationDisconnectCallsDisconnectNormally) {
  for (bool viaStopRunning : {false, true}) {
    SimLink link;
    ASSERT_TRUE(link.up());
    if (viaStopRunning)
      link.robot.stopRunning(true);
    else
      EXPECT_TRUE(link.robot.disconnect());
    EXPECT_EQ(link.normal.calls, 1);
    EXPECT_TRUE(link.normal.onLayerThread);
    EXPECT_EQ(link.error.calls, 0);
    const std::vector<std::string> closing = {"ENABLE 0", "CLOSE 1"};
    EXPECT_TRUE(waitFor([&] { return tail(link.sim, 2) == closing; }, 1000));
    Aria::shutdown();
    EXPECT_EQ(link.normal.calls, 1);
  }
}

TEST(RobotLinkLife, ShutdownEndsOnlyTheCallingWorkersRobots) {
  SimLink mine;
  ASSERT_TRUE(mine.up());
  std::unique_ptr<SimLink> theirs;
  std::atomic<bool> theirsUp{false}, release{false};
  std::thread other([&] {
    theirs = std::make_unique<SimLink>();
    theirsUp = theirs->up();
    while (!release) ArUtil::sleep(2);
    Aria::shutdown();
    theirs.reset();
  });
  ASSERT_TRUE(waitFor([&] { return theirsUp.load(); }, 5000));
  Aria::shutdown();
  EXPECT_FALSE(mine.robot.isConnected());
  EXPECT_TRUE(theirs->robot.isConnected());
  EXPECT_TRUE(theirs->robot.isRunning());
  release = true;
  other.join();
}

TEST(RobotLinkLife, IdleRobotSendsPulseEveryHalfSecondAndAMotionWishRepeatsItself) {
  SimLink link;
  ASSERT_TRUE(link.up());
  link.sim.clearCommandLog();
  ArUtil::sleep(1800);
  auto pulses = times(link.sim, "PULSE");
  ASSERT_GE(pulses.size(), 3u);
  EXPECT_LE(pulses.size(), 4u);
  for (std::size_t i = 1; i < pulses.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(pulses[i] - pulses[i - 1]), 500, 60);
  }
  EXPECT_TRUE(times(link.sim, "VEL2").empty());

  link.robot.setVel2(100, 100);
  ArUtil::sleep(100);
  link.sim.clearCommandLog();
  ArUtil::sleep(1800);
  const auto vel2 = times(link.sim, "VEL2");
  EXPECT_GE(vel2.size(), 3u);
  EXPECT_LE(vel2.size(), 4u);
  for (std::size_t i = 1; i < vel2.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(vel2[i] - vel2[i - 1]), 500, 60);
  }
  EXPECT_TRUE(times(link.sim, "PULSE").empty());  // the repeated wish is the keep-alive
  Aria::shutdown();
}

TEST(RobotLinkLife, TightSetVel2LoopPutsNothingExtraOnTheWire) {
  SimLink link;
  ASSERT_TRUE(link.up());
  link.sim.clearCommandLog();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 1000000; ++i) link.robot.setVel2(200, 200);
  // Speeds that pack alike are the same wish.
  for (int i = 0; i < 1000; ++i) link.robot.setVel2(200 + (i % 10), 195);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ArUtil::sleep(200);
  const int expected = 1 + static_cast<int>(std::floor((seconds + 0.2) / 0.5));
  EXPECT_GE(link.count("VEL2"), 1);
  EXPECT_LE(link.count("VEL2"), expected);

  // Every real change goes out at once.
  link.sim.clearCommandLog();
  for (int i = 0; i < 100; ++i) link.robot.setVel2(i % 2 ? 100 : 200, 0);
  ArUtil::sleep(100);
  EXPECT_GE(link.count("VEL2"), 100);
  Aria::shutdown();
}

TEST(RobotLinkLife, BadBytesFromThePeerAreSkippedAndTheLinkLives) {
  SimLink link;
  ASSERT_TRUE(link.up());
  ASSERT_TRUE(waitFor([&] { return link.robot.getStatusPacketCount() > 2; }, 1000));
  testing::internal::CaptureStdout();
  // Garbage, a status packet with a bad sum, an oversized N, and a packet cut
  // off mid-way (the next status packet's header ends it).
  link.sim.sendRaw({0x00, 0x13, 0x37, 0xFA, 0xFB, 0x06, 0x32, 0x01, 0x02, 0x03, 0x00,
                    0x00, 0xFA, 0xFB, 0xF0, 0x32, 0xFA, 0xFB, 0x40, 0x32, 0x01});
  const long before = link.robot.getStatusPacketCount();
  EXPECT_TRUE(waitFor([&] { return link.robot.getStatusPacketCount() > before + 5; }, 2000));
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_THAT(out, testing::HasSubstr("Paquete del robot descartado"));
  EXPECT_TRUE(link.robot.isConnected());
  EXPECT_EQ(link.error.calls, 0);
  Aria::shutdown();
}
