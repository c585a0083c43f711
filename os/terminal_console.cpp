#include "os/terminal_console.h"

#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "os/console_print.h"

namespace {

// The saved settings are written before the descriptor is published, so a
// thread that sees the descriptor also sees the settings.
termios savedSettings{};
std::atomic<int> rawFd{-1};
std::mutex rawMutex;  // one raw session at a time (not taken by the handler)

bool inBackground(int fd) {
  const pid_t foreground = ::tcgetpgrp(fd);
  // tcgetpgrp fails for a terminal that is not ours to control: no job control
  // applies to it, so it is safe to use.
  return foreground >= 0 && foreground != ::getpgrp();
}

}  // namespace

bool openStatusConsole(const char* title) {
  const auto console = stationConsole();
  if (console->style() != ConsoleStyle::Terminal) return false;
  restoreTerminalAtExit();
  if (title != nullptr) console->control(std::string("\x1b]0;") + title + "\x07");
  return true;
}

bool enterRawKeyInput(int fd) {
  std::lock_guard lock(rawMutex);
  if (rawFd.load() >= 0) {
    errno = EBUSY;
    return false;
  }
  if (::isatty(fd) == 0) return false;
  if (inBackground(fd)) {
    errno = ENOTTY;
    return false;
  }
  termios original{};
  if (::tcgetattr(fd, &original) != 0) return false;
  termios raw = original;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL | ISIG | IEXTEN);
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  restoreTerminalAtExit();
  savedSettings = original;
  rawFd.store(fd);
  if (::tcsetattr(fd, TCSANOW, &raw) != 0) {
    const int error = errno;
    rawFd.store(-1);
    errno = error;
    return false;
  }
  return true;
}

void leaveRawKeyInput() {
  std::lock_guard lock(rawMutex);
  restoreTerminal();
}

void restoreTerminal() {
  const int fd = rawFd.exchange(-1);
  if (fd >= 0) ::tcsetattr(fd, TCSANOW, &savedSettings);
}

void restoreTerminalAtExit() {
  static std::once_flag once;
  std::call_once(once, [] { std::atexit(restoreTerminal); });
}
