#pragma once
// A TCP connection to a server on the network (gpsd, for one): connected
// without blocking past a stop signal, then read and written without blocking.
#include <sys/types.h>

#include <cstddef>
#include <string>

// Why a connection could not be made: an errno value with its text, or a name
// the resolver could not look up (its own code and text).
struct TcpFailure {
  int code = 0;
  std::string text;
};

class TcpClient {
 public:
  TcpClient() = default;
  ~TcpClient() { close(); }
  TcpClient(const TcpClient&) = delete;
  TcpClient& operator=(const TcpClient&) = delete;

  // Resolves host and tries each of its addresses in turn. While a connection
  // is pending, stopFd (when not -1) becoming readable gives up with ECANCELED;
  // an address that has not answered within timeoutMs (when not -1) is given
  // up with ETIMEDOUT.
  bool connect(const std::string& host, int port, int stopFd, int timeoutMs = -1);
  void close();

  bool isOpen() const { return fd_ >= 0; }
  // Descriptor to poll for POLLIN / POLLOUT; -1 when closed.
  int fd() const { return fd_; }
  const TcpFailure& failure() const { return failure_; }

  // As read(2)/write(2); -1 with EAGAIN when nothing can move yet, 0 from
  // read() when the server has closed the connection.
  ssize_t read(void* buffer, std::size_t size) const;
  ssize_t write(const void* buffer, std::size_t size) const;

 private:
  int fd_ = -1;
  TcpFailure failure_;
};
