#include "os/wake_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

WakeEvent::WakeEvent() {
  fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd_ < 0) error_ = errno;
}

WakeEvent::~WakeEvent() {
  if (fd_ >= 0) ::close(fd_);
}

bool WakeEvent::raise() const {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  const std::uint64_t one = 1;
  for (;;) {
    const ssize_t n = ::write(fd_, &one, sizeof one);
    if (n == static_cast<ssize_t>(sizeof one)) return true;
    // The counter is only near its limit after 2^64 raises; EAGAIN means it is raised.
    if (n < 0 && errno == EAGAIN) return true;
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

bool WakeEvent::raised() const {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}
