#include "aria/ar_serial_connection.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "os/com_port_name.h"

namespace {
speed_t speedFor(int baud) {
  switch (baud) {
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    default:
      return 0;
  }
}
}  // namespace

void ArSerialConnection::setPort(const char* name) {
  name_ = name != nullptr ? name : "";
}

int ArSerialConnection::open(const char* port) {
  close();
  rawFd_ = -1;
  detail_.clear();
  if (port != nullptr) name_ = port;
  if (!name_.empty() && name_[0] == '/') {
    path_ = name_;
  } else if (auto path = comPortPath(name_.c_str())) {
    path_ = *path;
  } else {
    path_.clear();
    return OPEN_BAD_PORT_NAME;
  }
  const int fd = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    detail_ = std::strerror(err);
    if (err == ENOENT || err == ENODEV || err == ENXIO) return OPEN_PORT_MISSING;
    if (err == EACCES || err == EPERM) return OPEN_PERMISSION_DENIED;
    if (err == EBUSY) return OPEN_PORT_BUSY;
    return OPEN_COULD_NOT_OPEN_PORT;
  }
  // One user per line: a lock between our own processes, exclusive mode for
  // everyone else.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    detail_ = std::strerror(errno);
    ::close(fd);
    return OPEN_PORT_BUSY;
  }
  termios tio{};
  if (!::isatty(fd) || ::tcgetattr(fd, &tio) != 0) {
    detail_ = "no es un puerto serie";
    ::close(fd);
    return OPEN_COULD_NOT_SET_UP_PORT;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, B9600);
  ::cfsetospeed(&tio, B9600);
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    detail_ = std::strerror(errno);
    ::close(fd);
    return OPEN_COULD_NOT_SET_UP_PORT;
  }
  // Exclusive mode stays on the line, not on our descriptor: release()
  // clears it, or the line would refuse everyone but root after we close.
  ::ioctl(fd, TIOCEXCL);
  baud_ = 9600;
  rawFd_ = fd;
  adopt(fd);
  return 0;
}

void ArSerialConnection::release(int fd) {
  ::ioctl(fd, TIOCNXCL);
  ::close(fd);
}

bool ArSerialConnection::setBaud(int baud) {
  const speed_t speed = speedFor(baud);
  if (speed == 0 || !isOpen()) return false;
  termios tio{};
  if (::tcgetattr(rawFd_, &tio) != 0) return false;
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  if (::tcsetattr(rawFd_, TCSADRAIN, &tio) != 0) return false;
  baud_ = baud;
  return true;
}

const char* ArSerialConnection::getOpenMessage(int code) {
  const char* text;
  switch (code) {
    case 0:
      text = "Puerto abierto";
      break;
    case OPEN_PORT_MISSING:
      text = "El puerto no existe";
      break;
    case OPEN_PORT_BUSY:
      text = "El puerto esta ocupado";
      break;
    case OPEN_PERMISSION_DENIED:
      text = "Permiso denegado";
      break;
    case OPEN_COULD_NOT_SET_UP_PORT:
      text = "No se pudo configurar el puerto";
      break;
    case OPEN_BAD_PORT_NAME:
      text = "Nombre de puerto no valido";
      break;
    default:
      text = "No se pudo abrir el puerto";
      break;
  }
  message_ = std::string(text) + " (" + name_;
  if (!path_.empty() && path_ != name_) message_ += " = " + path_;
  message_ += ")";
  if (!detail_.empty() && code != 0) message_ += ": " + detail_;
  return message_.c_str();
}
