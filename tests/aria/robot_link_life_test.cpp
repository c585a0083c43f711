// How a link ends and how it is kept alive: the disconnect callbacks, the
// quiet close of Aria::shutdown, keep-alives while idle, and no flood from a
// tight setVel2 loop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "aria/ar_commands.h"
#include "robot_test_support.h"
#include "tests/support/console_capture.h"

using namespace std::chrono_literals;

namespace {
std::vector<int64_t> times(const SimServer& sim, const std::string& name) {
  std::vector<int64_t> t;
  for (const auto& r : sim.commandLog())
    if (r.name == name) t.push_back(r.timeMs);
  return t;
}

// Sends a mark that changes nothing (sounds off) and waits until the
// simulator has it: everything sent before it has then arrived. The commands
// that came before the mark; nothing when it never came.
std::optional<std::vector<SimCommandRecord>> logUpToMark(SimLink& link) {
  link.robot.comInt(ArCommands::SOUNDTOG, 0);
  std::vector<SimCommandRecord> log;
  const auto marked = [&] {
    log = link.sim.commandLog();
    return std::any_of(log.begin(), log.end(), [](const auto& r) { return r.name == "SOUNDTOG"; });
  };
  if (!pollUntil(marked, 2000ms)) return std::nullopt;
  log.erase(
      std::find_if(log.begin(), log.end(), [](const auto& r) { return r.name == "SOUNDTOG"; }),
      log.end());
  return log;
}

int countOf(const std::vector<SimCommandRecord>& log, const std::string& name) {
  return static_cast<int>(
      std::count_if(log.begin(), log.end(), [&](const auto& r) { return r.name == name; }));
}

// The gaps between consecutive times, ms.
std::vector<double> gaps(const std::vector<int64_t>& t) {
  std::vector<double> out;
  for (std::size_t i = 1; i < t.size(); ++i) out.push_back(static_cast<double>(t[i] - t[i - 1]));
  return out;
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
    ConsoleCapture capture;
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
    EXPECT_TRUE(pollUntil([&] { return link.error.calls.load() == 1; }, 3000ms));
    const std::string out = capture.text();
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
  ArUtil::sleep(300);  // the silence, half the time-out
  const long before = link.robot.getStatusPacketCount();
  link.sim.setSilent(false);
  // Status packets flow again: the silence is over and no time-out can follow.
  EXPECT_TRUE(pollUntil([&] { return link.robot.getStatusPacketCount() > before + 2; }, 2000ms));
  EXPECT_TRUE(link.robot.isConnected());
  EXPECT_EQ(link.error.calls, 0);
  Aria::shutdown();
}

TEST(RobotLinkLife, ShutdownEndsTheLinkCleanlyWithoutCallbacks) {
  SimLink link;
  ASSERT_TRUE(link.up());
  link.robot.setVel2(300, 300);
  ASSERT_TRUE(pollUntil([&] { return link.robot.getVel() > 0; }, 2000ms));
  Aria::shutdown();
  const std::vector<std::string> closing = {"ENABLE 0", "CLOSE 1"};
  EXPECT_TRUE(pollUntil([&] { return tail(link.sim, 2) == closing; }, 1000ms));
  EXPECT_TRUE(pollUntil([&] { return !link.sim.tcpClientConnected(); }, 1000ms));
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
    EXPECT_TRUE(pollUntil([&] { return tail(link.sim, 2) == closing; }, 1000ms));
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
  ASSERT_TRUE(pollUntil([&] { return theirsUp.load(); }, 5000ms));
  Aria::shutdown();
  EXPECT_FALSE(mine.robot.isConnected());
  EXPECT_TRUE(theirs->robot.isConnected());
  EXPECT_TRUE(theirs->robot.isRunning());
  release = true;
  other.join();
}

TEST(RobotLinkLife, IdleRobotSendsPulseEveryHalfSecondAndARenewedCommandRepeatsItself) {
  SimLink link;
  ASSERT_TRUE(link.up());
  // Idle: a PULSE every half second, and nothing else.
  link.sim.clearCommandLog();
  ASSERT_TRUE(pollUntil([&] { return times(link.sim, "PULSE").size() >= 4; }, 5000ms));
  for (double gap : gaps(times(link.sim, "PULSE"))) EXPECT_NEAR(gap, 500, 60);
  EXPECT_TRUE(times(link.sim, "VEL2").empty());

  // A motion command goes out at once, then, while its sender renews it, again
  // every half second in place of PULSE.
  const auto renewed = [&](const std::function<bool()>& ready) {
    return [&, ready] {
      link.robot.setVel2(100, 100);
      return ready();
    };
  };
  ASSERT_TRUE(pollUntil(renewed([&] { return !times(link.sim, "VEL2").empty(); }), 1000ms));
  link.sim.clearCommandLog();
  ASSERT_TRUE(
      pollUntil(renewed([&] { return times(link.sim, "VEL2").size() >= 4; }), 5000ms, 20ms));
  for (double gap : gaps(times(link.sim, "VEL2"))) EXPECT_NEAR(gap, 500, 60);
  EXPECT_TRUE(times(link.sim, "PULSE").empty());  // the repeated wish is the keep-alive
  Aria::shutdown();
}

// The sender of a motion command stops renewing it (its thread held up
// elsewhere): the robot cycle stops the robot half a second after the last
// renewal, says so after the stop, and from then on only keeps the link alive.
TEST(RobotLinkLife, ACommandNobodyRenewsIsStoppedAndTheLinkStaysUp) {
  ConsoleCapture console;
  SimLink link;
  ASSERT_TRUE(link.up());
  const auto lastVel2 = [&] {
    std::optional<int> value;
    for (const auto& r : link.sim.commandLog())
      if (r.name == "VEL2") value = r.value;
    return value;
  };
  // Renewed every 50 ms for a second: it goes out and is never stopped.
  const auto renewUntil = std::chrono::steady_clock::now() + 1s;
  while (std::chrono::steady_clock::now() < renewUntil) {
    link.robot.setVel2(300, 300);
    ArUtil::sleep(50);
  }
  link.robot.setVel2(300, 300);
  const auto lastRenewal = std::chrono::steady_clock::now();
  EXPECT_EQ(lastVel2(), 0x0F0F);

  ASSERT_TRUE(pollUntil([&] { return lastVel2() == 0; }, 2000ms, 1ms));
  const auto stoppedAfter = std::chrono::steady_clock::now() - lastRenewal;
  RecordProperty("stopped_after_ms",
                 static_cast<int>(
                     std::chrono::duration_cast<std::chrono::milliseconds>(stoppedAfter).count()));
  EXPECT_GE(stoppedAfter, 450ms);
  EXPECT_LE(stoppedAfter, 600ms);

  // Still connected, kept alive by PULSE alone; nothing repeats the old command.
  link.sim.clearCommandLog();
  ASSERT_TRUE(pollUntil([&] { return times(link.sim, "PULSE").size() >= 2; }, 3000ms));
  EXPECT_TRUE(times(link.sim, "VEL2").empty());
  EXPECT_TRUE(link.robot.isConnected());
  EXPECT_EQ(link.error.calls, 0);
  EXPECT_NE(console.text().find("robot detenido: la orden de movimiento no se renovo en 0.5 s\n"),
            std::string::npos)
      << console.text();

  // A new command from its sender drives again.
  link.robot.setVel2(100, 100);
  EXPECT_TRUE(pollUntil([&] { return lastVel2() == 0x0505; }, 1000ms));
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
  const auto marked = logUpToMark(link);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_TRUE(marked.has_value());
  // The first wish, then at most one repeat per half second of the loop.
  EXPECT_GE(countOf(*marked, "VEL2"), 1);
  EXPECT_LE(countOf(*marked, "VEL2"), 1 + static_cast<int>(std::floor(seconds / 0.5)));

  // Every real change goes out at once.
  link.sim.clearCommandLog();
  for (int i = 0; i < 100; ++i) link.robot.setVel2(i % 2 ? 100 : 200, 0);
  const auto changes = logUpToMark(link);
  ASSERT_TRUE(changes.has_value());
  EXPECT_GE(countOf(*changes, "VEL2"), 100);
  Aria::shutdown();
}

TEST(RobotLinkLife, BadBytesFromThePeerAreSkippedAndTheLinkLives) {
  SimLink link;
  ASSERT_TRUE(link.up());
  ASSERT_TRUE(pollUntil([&] { return link.robot.getStatusPacketCount() > 2; }, 1000ms));
  ConsoleCapture capture;
  // Garbage, a status packet with a bad sum, an oversized N, and a packet cut
  // off mid-way (the next status packet's header ends it).
  link.sim.sendRaw({0x00, 0x13, 0x37, 0xFA, 0xFB, 0x06, 0x32, 0x01, 0x02, 0x03, 0x00,
                    0x00, 0xFA, 0xFB, 0xF0, 0x32, 0xFA, 0xFB, 0x40, 0x32, 0x01});
  const long before = link.robot.getStatusPacketCount();
  EXPECT_TRUE(pollUntil([&] { return link.robot.getStatusPacketCount() > before + 5; }, 2000ms));
  const std::string out = capture.text();
  EXPECT_THAT(out, testing::HasSubstr("Paquete del robot descartado"));
  EXPECT_TRUE(link.robot.isConnected());
  EXPECT_EQ(link.error.calls, 0);
  Aria::shutdown();
}
