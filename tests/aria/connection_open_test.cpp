// Opening the links: each failure has its code and a clear message for
// "Open failed: %s\n".
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "robot_test_support.h"
#include "tests/support/closed_port.h"
#include "tests/support/line_exclusive.h"
#include "tests/support/pty_pair.h"

using namespace std::chrono_literals;

TEST(ConnectionOpen, TcpFailuresAreNamed) {
  // A port held here and not listening: no other test can take it meanwhile.
  const ClosedPort refusing;
  const int refusedPort = refusing.port();
  ASSERT_GT(refusedPort, 0);
  struct Case {
    const char* host;
    int port;
    int code;
    const char* text;
  };
  const Case cases[] = {
      {"127.0.0.1", refusedPort, ArTcpConnection::OPEN_CON_REFUSED, "Conexion rechazada"},
      {"no-such-robot.invalid", 8101, ArTcpConnection::OPEN_BAD_HOST, "No se encontro el host"},
      {"", 8101, ArTcpConnection::OPEN_BAD_HOST, "No se encontro el host"},
  };
  for (const Case& c : cases) {
    ArTcpConnection connection;
    const int code = connection.open(c.host, c.port);
    EXPECT_EQ(code, c.code) << c.host;
    EXPECT_THAT(connection.getOpenMessage(code), testing::HasSubstr(c.text));
    EXPECT_FALSE(connection.isOpen());
  }
}

TEST(ConnectionOpen, SimulatorServesOneClientAtATime) {
  SimServer sim(realTimeSim());
  std::string why;
  ASSERT_TRUE(sim.start(why));
  ArTcpConnection first, second;
  ASSERT_EQ(first.open("127.0.0.1", sim.tcpPort()), 0);
  ASSERT_TRUE(pollUntil([&] { return sim.tcpClientConnected(); }, 1000ms));
  EXPECT_EQ(second.open("127.0.0.1", sim.tcpPort()), ArTcpConnection::OPEN_CON_REFUSED);
  first.close();
  // The port serves the next client once the first has gone.
  EXPECT_TRUE(pollUntil([&] { return !sim.tcpClientConnected(); }, 1000ms));
  EXPECT_TRUE(pollUntil([&] { return second.open("127.0.0.1", sim.tcpPort()) == 0; }, 1000ms));
}

TEST(ConnectionOpen, SerialFailuresAreNamed) {
  SimOptions options = realTimeSim();
  options.tcp = false;
  options.pty = true;
  SimServer sim(options);
  std::string why;
  ASSERT_TRUE(sim.start(why));
  ArSerialConnection holder;
  ASSERT_EQ(holder.open(sim.ptyPath().c_str()), 0);

  const std::string missing = "/dev/torva-no-such-port";
  ::setenv("TORVA_COM11", missing.c_str(), 1);
  struct Case {
    std::string port;
    int code;
    const char* text;
  };
  const Case cases[] = {
      {"COM11", ArSerialConnection::OPEN_PORT_MISSING, "El puerto no existe"},
      {sim.ptyPath(), ArSerialConnection::OPEN_PORT_BUSY, "El puerto esta ocupado"},
      {"LPT1", ArSerialConnection::OPEN_BAD_PORT_NAME, "Nombre de puerto no valido"},
      {"COM13", ArSerialConnection::OPEN_BAD_PORT_NAME, "Nombre de puerto no valido"},
      {"/dev/null", ArSerialConnection::OPEN_COULD_NOT_SET_UP_PORT, "No se pudo configurar"},
  };
  for (const Case& c : cases) {
    ArSerialConnection connection;
    connection.setPort(c.port.c_str());
    const int code = connection.open();
    EXPECT_EQ(code, c.code) << c.port;
    const std::string message = connection.getOpenMessage(code);
    EXPECT_THAT(message, testing::HasSubstr(c.text));
    EXPECT_THAT(message, testing::HasSubstr(c.port));
    EXPECT_FALSE(connection.isOpen());
  }
  // The COMn name shows the path it stands for.
  ArSerialConnection mapped;
  mapped.setPort("COM11");
  EXPECT_THAT(mapped.getOpenMessage(mapped.open()), testing::HasSubstr(missing));

  // Once the holder lets go, the port opens.
  holder.close();
  ArSerialConnection next;
  EXPECT_EQ(next.open(sim.ptyPath().c_str()), 0);
}

TEST(ConnectionOpen, SerialLineIsExclusiveOnlyWhileHeld) {
  // Exclusive mode belongs to the line, not to the descriptor: left set while
  // the other end stays open, it refuses every later open but root's.
  using LetGo = std::function<void(std::unique_ptr<ArSerialConnection>&, const std::string&)>;
  const std::pair<const char*, LetGo> ways[] = {
      {"close", [](auto& c, const std::string&) { c->close(); }},
      {"destruction", [](auto& c, const std::string&) { c.reset(); }},
      {"opening another port",
       [](auto& c, const std::string& other) { EXPECT_EQ(c->open(other.c_str()), 0); }},
  };
  for (const auto& [way, letGo] : ways) {
    SCOPED_TRACE(way);
    PtyPair line, other;
    ASSERT_FALSE(line.slavePath.empty());
    auto connection = std::make_unique<ArSerialConnection>();
    ASSERT_EQ(connection->open(line.slavePath.c_str()), 0);
    EXPECT_TRUE(lineExclusive(line.slavePath));
    letGo(connection, other.slavePath);
    EXPECT_FALSE(lineExclusive(line.slavePath));
  }
}

TEST(ConnectionOpen, SerialPermissionDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root opens any file";
  char path[] = "/tmp/torva-port-XXXXXX";
  const int fd = ::mkstemp(path);
  ASSERT_GE(fd, 0);
  ::close(fd);
  ::chmod(path, 0);
  ArSerialConnection connection;
  const int code = connection.open(path);
  EXPECT_EQ(code, ArSerialConnection::OPEN_PERMISSION_DENIED);
  EXPECT_THAT(connection.getOpenMessage(code), testing::HasSubstr("Permiso denegado"));
  ::unlink(path);
}
