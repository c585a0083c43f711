#pragma once
// Whether a terminal line is in exclusive mode (TIOCEXCL), asked the same way
// by any user: an ordinary user cannot even open such a line (EBUSY), while
// root opens it and asks the kernel.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

inline bool lineExclusive(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EBUSY;
  int exclusive = 0;
  const bool asked = ::ioctl(fd, TIOCGEXCL, &exclusive) == 0;
  ::close(fd);
  return asked && exclusive != 0;
}
