#include "aria/ar_device_connection.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "aria/ar_util.h"

ArDeviceConnection::~ArDeviceConnection() {
  close();
}

void ArDeviceConnection::adopt(int fd) {
  std::lock_guard<std::mutex> lock(writeMutex_);
  const int old = fd_.exchange(fd);
  if (old >= 0) release(old);
}

void ArDeviceConnection::close() {
  std::lock_guard<std::mutex> lock(writeMutex_);
  const int fd = fd_.exchange(-1);
  if (fd >= 0) release(fd);
}

void ArDeviceConnection::release(int fd) {
  ::close(fd);
}

long ArDeviceConnection::writeSome(int fd, const uint8_t* bytes, int size) {
  return ::write(fd, bytes, static_cast<std::size_t>(size));
}

int ArDeviceConnection::read(uint8_t* buffer, int size, int timeoutMs, int wakeFd) {
  const int fd = fd_.load();
  if (fd < 0) return kReadLinkLost;
  pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
  const int count = wakeFd >= 0 ? 2 : 1;
  const int ready = ::poll(fds, static_cast<nfds_t>(count), timeoutMs < 0 ? 0 : timeoutMs);
  if (ready < 0) return errno == EINTR ? kReadTimeout : kReadLinkLost;
  if (count == 2 && (fds[1].revents & POLLIN) != 0) {
    uint64_t value = 0;
    [[maybe_unused]] auto r = ::read(wakeFd, &value, sizeof value);
    return kReadWoken;
  }
  if (ready == 0) return kReadTimeout;
  const long n = ::read(fd, buffer, static_cast<std::size_t>(size));
  if (n > 0) return static_cast<int>(n);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return kReadTimeout;
  return kReadLinkLost;  // end of stream, reset, or a vanished line
}

bool ArDeviceConnection::write(const uint8_t* bytes, int size) {
  std::lock_guard<std::mutex> lock(writeMutex_);
  const int fd = fd_.load();
  if (fd < 0) return false;
  const int64_t deadline = ArUtil::getTimeMs() + 500;
  while (size > 0) {
    const long n = writeSome(fd, bytes, size);
    if (n > 0) {
      bytes += n;
      size -= static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return false;
    const int64_t left = deadline - ArUtil::getTimeMs();
    if (left <= 0) return false;
    pollfd p{fd, POLLOUT, 0};
    ::poll(&p, 1, static_cast<int>(left));
  }
  return true;
}
