#include "os/tcp_client.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

TcpFailure errnoFailure(int error) {
  return {error, std::strerror(error)};
}

// A non-blocking connect to one address, waited for with poll so that the stop
// signal can end it. The connected descriptor, or -1 with failure set.
int connectOne(const addrinfo& address, int stopFd, int timeoutMs, TcpFailure& failure) {
  const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          address.ai_protocol);
  if (fd < 0) {
    failure = errnoFailure(errno);
    return -1;
  }
  int error = 0;
  if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0) error = errno;
  if (error == EINTR) error = EINPROGRESS;  // the connection goes on in the background
  while (error == EINPROGRESS) {
    pollfd waits[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
    const int ready = ::poll(waits, stopFd >= 0 ? 2 : 1, timeoutMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    if (ready == 0) {
      error = ETIMEDOUT;
      break;
    }
    if (stopFd >= 0 && waits[1].revents != 0) {
      error = ECANCELED;
      break;
    }
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
  }
  if (error != 0) {
    ::close(fd);
    failure = errnoFailure(error);
    return -1;
  }
  // Small lines go out at once.
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

}  // namespace

bool TcpClient::connect(const std::string& host, int port, int stopFd, int timeoutMs) {
  close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int r = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); r != 0) {
    failure_ = r == EAI_SYSTEM ? errnoFailure(errno) : TcpFailure{r, ::gai_strerror(r)};
    return false;
  }
  const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owned(found, ::freeaddrinfo);
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    fd_ = connectOne(*a, stopFd, timeoutMs, failure_);
    if (fd_ >= 0 || failure_.code == ECANCELED) break;
  }
  if (fd_ >= 0) failure_ = {};
  return fd_ >= 0;
}

void TcpClient::close() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

ssize_t TcpClient::read(void* buffer, std::size_t size) const {
  return ::recv(fd_, buffer, size, 0);
}

ssize_t TcpClient::write(const void* buffer, std::size_t size) const {
  // A server that has gone gives EPIPE here, not a signal.
  return ::send(fd_, buffer, size, MSG_NOSIGNAL);
}
