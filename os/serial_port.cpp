#include "os/serial_port.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "os/com_port_name.h"

namespace {

struct BaudCode {
  int baud;
  speed_t code;
};

// 500000: the fastest line of the LMS 2xx laser scanners (RS-422).
constexpr BaudCode kBauds[] = {
    {300, B300},       {1200, B1200},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {500000, B500000},
};

bool speedCode(int baud, speed_t& code) {
  for (const BaudCode& b : kBauds) {
    if (b.baud == baud) {
      code = b.code;
      return true;
    }
  }
  return false;
}

bool setAttributes(int fd, const termios& wanted) {
  while (::tcsetattr(fd, TCSANOW, &wanted) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

bool SerialPort::open(const char* path) {
  close();
  const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  // TIOCEXCL refuses later opens of the device; the advisory lock also
  // catches a program that opened it before us and holds it the same way.
  if (::isatty(fd) == 0 || ::ioctl(fd, TIOCEXCL) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = (errno == EWOULDBLOCK) ? EBUSY : errno;
    ::close(fd);
    errno = error;
    return false;
  }
  fd_ = fd;
  return true;
}

bool SerialPort::openCom(const char* name) {
  const auto path = comPortPath(name);
  if (!path) {
    errno = EINVAL;
    return false;
  }
  return open(path->c_str());
}

void SerialPort::close() {
  if (fd_ < 0) return;
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
}

bool SerialPort::applyReadTimeouts() {
  termios t{};
  if (::tcgetattr(fd_, &t) != 0) return false;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  return setAttributes(fd_, t);
}

bool SerialPort::applyLineSettings(int baud) {
  speed_t code{};
  if (!speedCode(baud, code)) {
    errno = EINVAL;
    return false;
  }
  termios t{};
  if (::tcgetattr(fd_, &t) != 0) return false;
  const cc_t vmin = t.c_cc[VMIN];
  const cc_t vtime = t.c_cc[VTIME];
  ::cfmakeraw(&t);
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | IGNPAR);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  t.c_cflag |= CS8 | CREAD | CLOCAL | HUPCL;
  t.c_cc[VMIN] = vmin;
  t.c_cc[VTIME] = vtime;
  if (::cfsetispeed(&t, code) != 0 || ::cfsetospeed(&t, code) != 0) return false;
  if (!setAttributes(fd_, t)) return false;

  // tcsetattr succeeds when any part was applied: check that all of it was.
  termios now{};
  if (::tcgetattr(fd_, &now) != 0) return false;
  const tcflag_t kept = CSIZE | PARENB | CSTOPB | CRTSCTS | CREAD;
  if ((now.c_cflag & kept) != (t.c_cflag & kept) || ::cfgetospeed(&now) != code ||
      (now.c_lflag & (ICANON | ECHO | ISIG)) != 0 || (now.c_iflag & (IXON | IXOFF)) != 0) {
    errno = EINVAL;
    return false;
  }

  // Some receivers draw power from or wait for DTR/RTS. A line without modem
  // control (a USB gadget, a pseudo-terminal) has none to raise.
  int lines = TIOCM_DTR | TIOCM_RTS;
  if (::ioctl(fd_, TIOCMBIS, &lines) != 0 && errno != ENOTTY && errno != EINVAL) return false;
  return true;
}

ssize_t SerialPort::read(void* buffer, std::size_t size) const {
  return ::read(fd_, buffer, size);
}

ssize_t SerialPort::write(const void* buffer, std::size_t size) const {
  return ::write(fd_, buffer, size);
}
