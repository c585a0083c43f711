#pragma once
// A pseudo-terminal pair standing in for a serial device or a console: the
// test holds the master side, the code under test opens the slave by path.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

struct PtyPair {
  int master = -1;
  std::string slavePath;

  PtyPair() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
      closeMaster();
      return;
    }
    slavePath = name;
  }
  ~PtyPair() { closeMaster(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  void closeMaster() {
    if (master >= 0) ::close(master);
    master = -1;
  }

  // The slave's settings, as the device side sees them.
  termios settings() const {
    termios t{};
    tcgetattr(master, &t);
    return t;
  }
  bool rawInput() const { return (settings().c_lflag & ICANON) == 0; }

  bool writeAll(std::string_view bytes) const {
    while (!bytes.empty()) {
      const ssize_t n = ::write(master, bytes.data(), bytes.size());
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  // Bytes the slave side wrote, waiting up to timeout for the first of them.
  std::string readAvailable(std::chrono::milliseconds timeout) const {
    std::string out;
    pollfd p{master, POLLIN, 0};
    int wait = static_cast<int>(timeout.count());
    while (::poll(&p, 1, wait) == 1 && (p.revents & POLLIN) != 0) {
      char buffer[256];
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n <= 0) break;
      out.append(buffer, static_cast<std::size_t>(n));
      wait = 20;
    }
    return out;
  }
};
