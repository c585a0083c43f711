// The status console: the terminal's title, raw key input, and the terminal
// put back on every way out.
#include "os/terminal_console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "os/console_print.h"
#include "tests/support/poll_until.h"
#include "tests/support/pty_pair.h"

namespace {

using namespace std::chrono_literals;

// Runs body with the station's console on fd (a terminal's console when fd
// is a terminal), then puts the earlier console back.
template <class Body>
void withConsoleOn(int fd, Body body) {
  ConsoleOptions options;
  options.fd = fd;
  auto console = std::make_shared<Console>(options);
  auto previous = replaceStationConsole(console);
  body();
  console->drain(2s);
  replaceStationConsole(previous);
}

TEST(StatusConsole, TitleIsSetOnlyWhenStandardOutputIsATerminal) {
  PtyPair terminal;
  const int fd = ::open(terminal.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  bool opened = false;
  withConsoleOn(fd, [&] { opened = openStatusConsole("Estado de comunicaciones"); });
  EXPECT_TRUE(opened);
  EXPECT_EQ(terminal.readAvailable(200ms), "\x1b]0;Estado de comunicaciones\x07");
  ::close(fd);

  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  withConsoleOn(pipeFds[1], [&] { opened = openStatusConsole("Estado de comunicaciones"); });
  ::close(pipeFds[1]);
  EXPECT_FALSE(opened);
  char c;
  EXPECT_EQ(::read(pipeFds[0], &c, 1), 0) << "nothing written to a pipe";
  ::close(pipeFds[0]);
}

TEST(StatusConsole, RawKeyInputAndRestore) {
  PtyPair terminal;
  const int fd = ::open(terminal.slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  const termios before = terminal.settings();
  ASSERT_TRUE(enterRawKeyInput(fd));
  const termios raw = terminal.settings();
  EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(raw.c_iflag & (ICRNL | IXON), 0u);
  EXPECT_NE(raw.c_oflag & OPOST, 0u) << "console lines keep their line ends";
  EXPECT_FALSE(enterRawKeyInput(fd)) << "one raw session at a time";

  // Ctrl+C and Enter arrive as bytes, one at a time, without echo.
  ASSERT_TRUE(terminal.writeAll("\x03\r"));
  char keys[4] = {};
  ASSERT_TRUE(pollUntil([&] { return ::read(fd, keys, sizeof keys) == 2; }, 2s));
  EXPECT_EQ(keys[0], '\x03');
  EXPECT_EQ(keys[1], '\r');
  EXPECT_EQ(terminal.readAvailable(20ms), "");

  restoreTerminal();
  EXPECT_EQ(terminal.settings().c_lflag, before.c_lflag);
  EXPECT_EQ(terminal.settings().c_iflag, before.c_iflag);
  ::close(fd);

  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  EXPECT_FALSE(enterRawKeyInput(pipeFds[0]));
  ::close(pipeFds[0]);
  ::close(pipeFds[1]);
}

}  // namespace
