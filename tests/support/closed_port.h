#pragma once
// A loopback port held by the test, so that no other test takes it while it
// runs: either refusing every connection, or taking them and never answering.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// Bound but not listening: a connect is refused.
class ClosedPort {
 public:
  // listening: a robot end that takes the connection and never answers.
  explicit ClosedPort(bool listening = false) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
      port_ = ntohs(a.sin_port);
    }
    if (listening && ::listen(fd_, 1) != 0) port_ = 0;
  }
  ~ClosedPort() {
    if (fd_ >= 0) ::close(fd_);
  }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};
