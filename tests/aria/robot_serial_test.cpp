// The robot layer on a serial line: the simulator's pseudo-terminal stands in
// for the robot's serial port, reached through the COMn mapping.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "aria/ar_commands.h"
#include "robot_test_support.h"
#include "tests/support/unique_fd.h"

using namespace std::chrono_literals;

namespace {
SimOptions ptyOptions() {
  SimOptions o = realTimeSim();
  o.tcp = false;
  o.pty = true;
  return o;
}

struct SerialLink {
  SimServer sim{ptyOptions()};
  ArSerialConnection connection;
  ArRobot robot;
  CallbackProbe error;
  SerialLink() { robot.addDisconnectOnErrorCB(&error.functor, ArListPos::FIRST); }
  bool start() {
    std::string why;
    if (!sim.start(why)) return false;
    ::setenv("TORVA_COM9", sim.ptyPath().c_str(), 1);
    return true;
  }
  bool connect() {
    Aria::init();
    connection.setPort("COM9");
    if (connection.open() != 0) return false;
    robot.setDeviceConnection(&connection);
    return robot.blockingConnect();
  }
  std::vector<std::string> names() const {
    std::vector<std::string> n;
    for (const auto& r : sim.commandLog()) {
      EXPECT_EQ(r.link, 's');
      n.push_back(r.name);
    }
    return n;
  }
};
}  // namespace

TEST(RobotSerial, ConnectsDrivesAndClosesOverThePseudoTerminal) {
  SerialLink link;
  ASSERT_TRUE(link.start());
  ASSERT_TRUE(link.connect());
  EXPECT_EQ(link.connection.getBaud(), 9600);
  EXPECT_EQ(link.robot.getRobotSubType(), "p3dx-sh");
  link.robot.comInt(ArCommands::ENABLE, 1);
  link.robot.runAsync(true);
  EXPECT_TRUE(pollUntil(
      [&] {
        link.robot.setVel2(200, 200);
        return link.robot.getVel() == 200 && link.robot.getRawEncoderPose().getX() > 20;
      },
      6000ms));
  EXPECT_NEAR(link.robot.getRawEncoderPose().getX(), link.sim.truePose().x, 30);
  Aria::shutdown();
  EXPECT_TRUE(
      pollUntil([&] { return !link.names().empty() && link.names().back() == "CLOSE"; }, 1000ms));
  EXPECT_EQ(link.error.calls, 0);
}

TEST(RobotSerial, RobotLeftInAnOldSessionIsClosedAndReconnected) {
  SerialLink link;
  ASSERT_TRUE(link.start());
  {
    // An earlier client opened a session and vanished without CLOSE. Each
    // packet goes once the simulator has taken the one before.
    const UniqueFd earlier(::open(link.sim.ptyPath().c_str(), O_RDWR | O_NOCTTY));
    ASSERT_TRUE(earlier.valid());
    const WirePacket packets[] = {commandPacket(0), commandPacket(1), commandPacket(2),
                                  commandIntPacket(ArCommands::OPEN, 1)};
    std::size_t sent = 0;
    for (const WirePacket& p : packets) {
      ASSERT_EQ(::write(earlier.get(), p.data(), p.size), p.size);
      ++sent;
      ASSERT_TRUE(pollUntil([&] { return link.names().size() == sent; }, 2000ms));
    }
  }
  ASSERT_TRUE(link.connect());
  const std::vector<std::string> expected = {"SYNC0", "SYNC1", "SYNC2", "OPEN",  "PULSE",
                                             "CLOSE", "SYNC0", "SYNC1", "SYNC2", "OPEN"};
  const auto names = link.names();
  ASSERT_GE(names.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + expected.size()), expected);
  Aria::shutdown();
}

TEST(RobotSerial, DroppedLineStopsTheStatusStreamAndTimesOut) {
  SerialLink link;
  ASSERT_TRUE(link.start());
  ASSERT_TRUE(link.connect());
  link.robot.setConnectionTimeoutTime(300);
  link.robot.runAsync(true);
  link.sim.setSilent(true);
  EXPECT_TRUE(pollUntil([&] { return link.error.calls.load() == 1; }, 3000ms));
  EXPECT_TRUE(link.error.onLayerThread);
  Aria::shutdown();
}

TEST(RobotSerial, SilentLineIsTriedAtEachSpeedThenFails) {
  // A line with nobody answering: five tries at each of 9600, 38400 and
  // 115200 baud, then the failed-connect callback.
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string path = ::ptsname(master);
  Aria::init();
  ArSerialConnection connection;
  ArRobot robot;
  CallbackProbe failed;
  robot.addFailedConnectCB(&failed.functor, ArListPos::FIRST);
  ASSERT_EQ(connection.open(path.c_str()), 0);
  robot.setDeviceConnection(&connection);
  std::atomic<bool> done{false};
  bool result = true;
  std::thread connector([&] {
    result = robot.blockingConnect();
    done = true;
  });
  std::vector<speed_t> speeds;
  int sync0 = 0;
  PacketReceiver receiver;
  struct Count : PacketSink {
    int* sync0;
    void onPacket(const ReceivedPacket& p) override { *sync0 += p.type == 0; }
  } sink;
  sink.sync0 = &sync0;
  while (!done) {
    uint8_t buffer[64];
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 20) > 0) {
      const long n = ::read(master, buffer, sizeof buffer);
      if (n > 0) receiver.feed(buffer, static_cast<std::size_t>(n), ArUtil::getTimeMs(), sink);
    }
    termios tio{};
    if (::tcgetattr(master, &tio) == 0) {
      const speed_t s = ::cfgetospeed(&tio);
      if (speeds.empty() || speeds.back() != s) speeds.push_back(s);
    }
  }
  connector.join();
  EXPECT_FALSE(result);
  EXPECT_EQ(failed.calls, 1);
  EXPECT_EQ(sync0, 15);
  EXPECT_EQ(speeds, (std::vector<speed_t>{B9600, B38400, B115200}));
  Aria::shutdown();
  ::close(master);
}
