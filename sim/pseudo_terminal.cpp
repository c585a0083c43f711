#include "sim/pseudo_terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

bool openPseudoTerminal(PseudoTerminal& pty, std::string& error) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    error = std::string("no se pudo crear la pseudoterminal: ") + std::strerror(errno);
    if (master >= 0) ::close(master);
    return false;
  }
  char name[128];
  if (::ptsname_r(master, name, sizeof name) != 0) {
    error = "no se pudo obtener el nombre de la pseudoterminal";
    ::close(master);
    return false;
  }
  const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) {
    error = std::string("no se pudo abrir ") + name + ": " + std::strerror(errno);
    ::close(master);
    return false;
  }
  // Raw from the start: an echoing line would hand our own output back.
  termios tio{};
  ::tcgetattr(slave, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(slave, TCSANOW, &tio);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  pty.master = master;
  pty.slave = slave;
  pty.path = name;
  return true;
}

void closePseudoTerminal(PseudoTerminal& pty) {
  for (int* fd : {&pty.master, &pty.slave}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

void discardStationInput(const PseudoTerminal& pty) {
  char discard[256];
  while (pty.master >= 0 && ::read(pty.master, discard, sizeof discard) > 0) {
  }
}
