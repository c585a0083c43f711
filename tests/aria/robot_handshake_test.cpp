// The connect handshake on a real TCP link against a scripted robot end: the
// exact bytes, the old-session restart, retries and the failure callback.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>

#include "aria/ar_commands.h"
#include "robot_test_support.h"
#include "scripted_robot_peer.h"
#include "tests/support/console_capture.h"

using namespace std::chrono_literals;

namespace {
struct ScriptedLink {
  ScriptedRobotPeer peer;
  ArTcpConnection connection;
  ArRobot robot;
  CallbackProbe connected, failed;
  ScriptedLink() {
    Aria::init();
    robot.addConnectCB(&connected.functor, ArListPos::FIRST);
    robot.addFailedConnectCB(&failed.functor, ArListPos::FIRST);
  }
  std::future<bool> connectAsync() {
    EXPECT_EQ(connection.open("127.0.0.1", peer.port()), 0);
    robot.setDeviceConnection(&connection);
    auto f = std::async(std::launch::async, [this] { return robot.blockingConnect(); });
    EXPECT_TRUE(peer.accept(3000));
    return f;
  }
};

}  // namespace

TEST(RobotHandshake, SendsTheDocumentedBytesAndTakesTheModelFromSync2) {
  struct Case {
    const char* model;
    double distConv;
    bool warns;
  };
  const Case cases[] = {{"p3dx-sh", 1.0, false},
                        {"p3dx", 0.485, false},
                        {"P3AT", 0.485, false},
                        {"mystery-bot", 1.0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    ScriptedLink link;
    ConsoleCapture capture;
    auto result = link.connectAsync();
    ASSERT_TRUE(link.peer.answerHandshake(c.model));
    ASSERT_TRUE(result.get());
    const std::string out = capture.text();

    const std::vector<uint8_t> expected = {
        0xFA, 0xFB, 0x03, 0x00, 0x00, 0x00,                    // SYNC0
        0xFA, 0xFB, 0x03, 0x01, 0x00, 0x01,                    // SYNC1
        0xFA, 0xFB, 0x03, 0x02, 0x00, 0x02,                    // SYNC2
        0xFA, 0xFB, 0x06, 0x01, 0x3B, 0x01, 0x00, 0x02, 0x3B,  // OPEN 1
        0xFA, 0xFB, 0x06, 0x12, 0x3B, 0x01, 0x00, 0x13, 0x3B,  // CONFIG 1
    };
    const auto& raw = link.peer.rawReceived();
    ASSERT_GE(raw.size(), expected.size());
    EXPECT_EQ(std::vector<uint8_t>(raw.begin(), raw.begin() + expected.size()), expected);
    EXPECT_EQ(link.robot.getRobotName(), "Scripted");
    EXPECT_EQ(link.robot.getRobotSubType(), c.model);
    EXPECT_DOUBLE_EQ(link.robot.getRobotParams().distConvFactor, c.distConv);
    EXPECT_EQ(out.find("Modelo de robot desconocido") != std::string::npos, c.warns) << out;
    EXPECT_EQ(link.connected.calls, 1);
    EXPECT_TRUE(link.connected.onLayerThread);
    EXPECT_EQ(link.failed.calls, 0);
    Aria::shutdown();
  }
}

TEST(RobotHandshake, RobotStillInAnOldSessionIsClosedAndSyncedAgain) {
  ScriptedLink link;
  auto result = link.connectAsync();
  ReceivedPacket p;
  ASSERT_TRUE(link.peer.readPacket(p, 3000));
  ASSERT_EQ(p.type, ArCommands::SYNC0);
  link.peer.sendStatus(10, 20, 0, 0, 0);  // a status packet instead of the echo
  ASSERT_TRUE(link.peer.readPacket(p, 3000));
  EXPECT_EQ(p.type, ArCommands::CLOSE);
  EXPECT_EQ(parseCommandArgument(p).kind, CommandArgument::Int);
  // A late status packet during the drain must not confuse the new start.
  link.peer.sendStatus(10, 20, 0, 0, 0);
  ASSERT_TRUE(link.peer.answerHandshake());
  EXPECT_TRUE(result.get());
  Aria::shutdown();
}

TEST(RobotHandshake, UnexpectedAnswerRestartsAtSync0) {
  ScriptedLink link;
  auto result = link.connectAsync();
  ReceivedPacket p;
  ASSERT_TRUE(link.peer.readPacket(p, 3000));
  ASSERT_EQ(p.type, ArCommands::SYNC0);
  link.peer.sendPacket(ArCommands::SYNC0, {});
  ASSERT_TRUE(link.peer.readPacket(p, 3000));
  ASSERT_EQ(p.type, ArCommands::SYNC1);
  link.peer.sendPacket(0x07, {});  // not the SYNC1 echo
  ASSERT_TRUE(link.peer.answerHandshake());
  EXPECT_TRUE(result.get());
  Aria::shutdown();
}

TEST(RobotHandshake, SilentRobotFailsAfterFiveTriesWithTheFailedCallback) {
  ScriptedLink link;
  const auto start = std::chrono::steady_clock::now();
  ConsoleCapture capture;
  auto result = link.connectAsync();
  EXPECT_FALSE(result.get());
  const std::string out = capture.text();
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
  EXPECT_GT(seconds.count(), 4.5);
  EXPECT_LT(seconds.count(), 8.0);
  ReceivedPacket p;
  int sync0 = 0;
  while (link.peer.readPacket(p, 100)) sync0 += p.type == ArCommands::SYNC0;
  EXPECT_EQ(sync0, 5);
  EXPECT_EQ(link.failed.calls, 1);
  EXPECT_TRUE(link.failed.onLayerThread);
  EXPECT_EQ(link.connected.calls, 0);
  EXPECT_THAT(out, testing::HasSubstr("No se pudo conectar con el robot"));
  Aria::shutdown();
}

TEST(RobotHandshake, FailedCallbackMayStopTheRobotAndShutDownLikeTheStation) {
  // The station's failed-connect handler: stopRunning(true), then Aria::shutdown,
  // from the layer's thread while the worker still waits in blockingConnect.
  ScriptedLink link;
  link.failed.extra = [&link] {
    link.robot.stopRunning(true);
    Aria::shutdown();
  };
  auto result = link.connectAsync();
  link.peer.closeClient();  // the link drops in the middle of the handshake
  EXPECT_FALSE(result.get());
  EXPECT_EQ(link.failed.calls, 1);
  EXPECT_FALSE(link.connection.isOpen());
  Aria::shutdown();
}

TEST(RobotHandshake, GyroOfTypeOneIsTurnedOnAndCounted) {
  ScriptedLink link;
  auto result = link.connectAsync();
  ASSERT_TRUE(link.peer.answerHandshake("p3dx-sh", 1));
  ASSERT_TRUE(result.get());
  link.robot.runAsync(true);
  ArAnalogGyro gyro(&link.robot);
  EXPECT_FALSE(gyro.haveGottenData());
  gyro.activate();
  ReceivedPacket p;
  bool gyroOn = false;
  while (!gyroOn && link.peer.readPacket(p, 2000)) {
    gyroOn = p.type == ArCommands::GYRO && parseCommandArgument(p).value == 1;
  }
  EXPECT_TRUE(gyroOn);
  for (int i = 0; i < 10; ++i) link.peer.sendPacket(0x98, {2, 0x10, 0x00, 30, 0x11, 0x00, 30});
  EXPECT_TRUE(pollUntil([&] { return gyro.haveGottenData(); }, 2000ms));
  EXPECT_TRUE(gyro.isActive());
  // The count is per second: it shows once the second the packets came in is over.
  EXPECT_TRUE(pollUntil([&] { return gyro.getPacCount() == 20; }, 3000ms)) << gyro.getPacCount();
  Aria::shutdown();
}
