#include "aria/ar_tcp_connection.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {
constexpr int kConnectTimeoutMs = 5000;

int codeForErrno(int err) {
  switch (err) {
    case ECONNREFUSED:
    case ECONNRESET:
      return ArTcpConnection::OPEN_CON_REFUSED;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
      return ArTcpConnection::OPEN_NO_ROUTE;
    case ETIMEDOUT:
      return ArTcpConnection::OPEN_TIMEOUT;
    default:
      return ArTcpConnection::OPEN_NET_FAIL;
  }
}

// Connects a non-blocking socket within the time-out; 0 or an errno value.
int connectWithin(int fd, const sockaddr* address, socklen_t length) {
  if (::connect(fd, address, length) == 0) return 0;
  if (errno != EINPROGRESS) return errno;
  pollfd p{fd, POLLOUT, 0};
  int ready;
  do {
    ready = ::poll(&p, 1, kConnectTimeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready == 0) return ETIMEDOUT;
  int err = 0;
  socklen_t size = sizeof err;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &size) != 0) return errno;
  return err;
}
}  // namespace

int ArTcpConnection::open(const char* host, int port) {
  close();
  target_ = std::string(host != nullptr ? host : "") + ":" + std::to_string(port);
  if (host == nullptr || *host == '\0' || port <= 0 || port > 65535) return OPEN_BAD_HOST;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host, std::to_string(port).c_str(), &hints, &found) != 0 || found == nullptr)
    return OPEN_BAD_HOST;
  int result = OPEN_NET_FAIL;
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const int fd =
        ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    const int err = connectWithin(fd, a->ai_addr, a->ai_addrlen);
    if (err == 0) {
      // Small command packets must leave at once, not wait for company.
      const int one = 1;
      ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      adopt(fd);
      result = 0;
      break;
    }
    ::close(fd);
    result = codeForErrno(err);
  }
  ::freeaddrinfo(found);
  return result;
}

const char* ArTcpConnection::getOpenMessage(int code) {
  const char* text;
  switch (code) {
    case 0:
      text = "Conexion abierta";
      break;
    case OPEN_NET_FAIL:
      text = "Fallo de red";
      break;
    case OPEN_BAD_HOST:
      text = "No se encontro el host";
      break;
    case OPEN_NO_ROUTE:
      text = "No hay ruta hasta el host";
      break;
    case OPEN_CON_REFUSED:
      text = "Conexion rechazada";
      break;
    case OPEN_TIMEOUT:
      text = "El host no responde";
      break;
    default:
      text = "Error desconocido";
      break;
  }
  message_ = std::string(text) + " (" + target_ + ")";
  return message_.c_str();
}

long ArTcpConnection::writeSome(int fd, const uint8_t* bytes, int size) {
  // A peer that is gone must not raise SIGPIPE.
  return ::send(fd, bytes, static_cast<std::size_t>(size), MSG_NOSIGNAL);
}
