#include "sim/sim_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "aria/ar_robot_params.h"
#include "sim/pseudo_terminal.h"

namespace {
int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

SimRobotConfig simConfigForModel(const std::string& model) {
  SimRobotConfig c;
  c.model = model;
  ArRobotParams params;
  robotParamsForModel(model, params);
  c.distConv = params.distConvFactor;
  c.angleConv = params.angleConvFactor;
  c.diffConv = params.diffConvFactor;
  return c;
}

SimServer::SimServer(const SimOptions& options)
    : options_(options), robot_(simConfigForModel(options.model)) {}

SimServer::~SimServer() {
  stop();
}

bool SimServer::start(std::string& error) {
  if (options_.cycleMs < 1) options_.cycleMs = 1;
  if (!log_.open(options_.logPath)) {
    error = "no se pudo crear el registro de ordenes " + options_.logPath;
    return false;
  }
  wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ < 0) {
    error = std::string("eventfd: ") + std::strerror(errno);
    return false;
  }
  SimIdentity identity;
  identity.model = options_.model;
  port_.store(options_.port);
  if (options_.tcp && !openListener(error)) return false;
  if (options_.pty && !openPty(error)) return false;
  tcpSession_ = std::make_unique<SimSession>('t', robot_, log_, identity, options_.watchdogMs,
                                             options_.cycleMs);
  ptySession_ = std::make_unique<SimSession>('s', robot_, log_, identity, options_.watchdogMs,
                                             options_.cycleMs);
  startMs_ = nowMs();
  thread_ = std::thread([this] { loop(); });
  return true;
}

void SimServer::stop() {
  if (thread_.joinable()) {
    stopping_.store(true);
    const uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
    thread_.join();
  }
  for (int* fd : {&clientFd_, &listenFd_, &ptyMaster_, &ptySlave_, &wakeFd_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  clientConnected_.store(false);
}

bool SimServer::openListener(std::string& error) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port_.load()));
  if (::inet_pton(AF_INET, options_.address.c_str(), &a.sin_addr) != 1) {
    error = "direccion no valida: " + options_.address;
    return false;
  }
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  const int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0) {
    error = "no se pudo escuchar en " + options_.address + ":" + std::to_string(port_.load()) +
            ": " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  socklen_t size = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
  port_.store(ntohs(a.sin_port));
  listenFd_ = fd;
  return true;
}

bool SimServer::openPty(std::string& error) {
  PseudoTerminal pty;
  if (!openPseudoTerminal(pty, error)) return false;
  ptyMaster_ = pty.master;
  ptySlave_ = pty.slave;
  ptyPath_ = pty.path;
  return true;
}

SimPose SimServer::truePose() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return robot_.truePose();
}

void SimServer::withRobot(const std::function<void(SimRobot&)>& f) {
  std::lock_guard<std::mutex> lock(mutex_);
  f(robot_);
}

void SimServer::addCycleObserver(CycleObserver observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  observers_.push_back(std::move(observer));
}

void SimServer::post(Action action) {
  {
    std::lock_guard<std::mutex> lock(actionMutex_);
    actions_.push_back(std::move(action));
  }
  const uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
}

void SimServer::dropTcpClient(bool reset) {
  post({reset ? Action::Reset : Action::Drop, {}});
}
void SimServer::sendRaw(const std::vector<uint8_t>& bytes) {
  post({Action::Raw, bytes});
}

void SimServer::writeAll(int fd, const uint8_t* bytes, std::size_t size, bool socket) {
  // A client that does not read for 100 ms loses what did not fit.
  const int64_t deadline = nowMs() + 100;
  while (size > 0) {
    const long n = socket ? ::send(fd, bytes, size, MSG_NOSIGNAL) : ::write(fd, bytes, size);
    if (n > 0) {
      bytes += n;
      size -= static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return;
    const int64_t left = deadline - nowMs();
    if (left <= 0) return;
    pollfd p{fd, POLLOUT, 0};
    ::poll(&p, 1, static_cast<int>(left));
  }
}

void SimServer::acceptClient() {
  const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return;
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  clientFd_ = fd;
  // One client at a time: the port refuses others until this one leaves.
  ::close(listenFd_);
  listenFd_ = -1;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tcpSession_->end();
  }
  clientConnected_.store(true);
}

void SimServer::closeClient(bool reset) {
  if (clientFd_ < 0) return;
  if (reset) {
    linger l{1, 0};
    ::setsockopt(clientFd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  }
  ::close(clientFd_);
  clientFd_ = -1;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tcpSession_->end();
  }
  clientConnected_.store(false);
  std::string error;
  if (options_.tcp && !stopping_.load() && !openListener(error)) {
    std::printf("torva-sim: %s\n", error.c_str());
    std::fflush(stdout);
  }
}

void SimServer::readClient(int64_t now) {
  uint8_t buffer[1024];
  const long n = ::recv(clientFd_, buffer, sizeof buffer, 0);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (n <= 0) {
    closeClient(false);
    return;
  }
  std::vector<uint8_t> out;
  bool close;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tcpSession_->receive(buffer, static_cast<std::size_t>(n), now, now - startMs_, out);
    close = tcpSession_->closeRequested();
  }
  if (!out.empty()) writeAll(clientFd_, out.data(), out.size(), true);
  if (close) closeClient(false);  // CLOSE ends the session and the socket
}

void SimServer::readPty(int64_t now) {
  uint8_t buffer[1024];
  const long n = ::read(ptyMaster_, buffer, sizeof buffer);
  if (n <= 0) return;
  std::vector<uint8_t> out;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ptySession_->receive(buffer, static_cast<std::size_t>(n), now, now - startMs_, out);
  }
  if (!out.empty()) writeAll(ptyMaster_, out.data(), out.size(), false);
}

void SimServer::runActions() {
  std::vector<Action> actions;
  {
    std::lock_guard<std::mutex> lock(actionMutex_);
    actions.swap(actions_);
  }
  for (const Action& a : actions) {
    if (a.kind == Action::Raw) {
      if (clientFd_ >= 0) writeAll(clientFd_, a.bytes.data(), a.bytes.size(), true);
      if (ptyMaster_ >= 0) writeAll(ptyMaster_, a.bytes.data(), a.bytes.size(), false);
    } else {
      closeClient(a.kind == Action::Reset);
    }
  }
}

void SimServer::runCycle(int64_t now) {
  WirePacket status;
  bool tcpOpen, ptyOpen;
  bool touched = false;
  SimPose at;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool wasStalled = robot_.stalled();
    robot_.step((options_.stepMs > 0 ? options_.stepMs : options_.cycleMs) / 1000.0);
    touched = robot_.stalled() && !wasStalled;
    at = robot_.truePose();
    tcpSession_->tick(now);
    ptySession_->tick(now);
    tcpOpen = clientFd_ >= 0 && tcpSession_->isOpen();
    ptyOpen = ptyMaster_ >= 0 && ptySession_->isOpen();
    status = encodeStatusPacket(robot_.status());
    for (auto& observer : observers_) observer(robot_, now - startMs_);
  }
  if (touched) {
    std::printf("torva-sim: el robot toca un obstaculo en %.2f %.2f m\n", at.x / 1000, at.y / 1000);
    std::fflush(stdout);
  }
  if (silent_.load()) return;
  if (statusFeed_) {
    statusFeed_(tcpOpen || ptyOpen, fed_);
    for (const auto& packet : fed_) {
      if (tcpOpen) writeAll(clientFd_, packet.data(), packet.size(), true);
      if (ptyOpen) writeAll(ptyMaster_, packet.data(), packet.size(), false);
    }
    return;
  }
  if (tcpOpen) writeAll(clientFd_, status.data(), static_cast<std::size_t>(status.size), true);
  if (ptyOpen) writeAll(ptyMaster_, status.data(), static_cast<std::size_t>(status.size), false);
}

void SimServer::loop() {
  int64_t nextCycle = nowMs() + options_.cycleMs;
  while (!stopping_.load()) {
    pollfd fds[4];
    int count = 0;
    fds[count++] = {wakeFd_, POLLIN, 0};
    const int listenAt = listenFd_ >= 0 ? count : -1;
    if (listenFd_ >= 0) fds[count++] = {listenFd_, POLLIN, 0};
    const int clientAt = clientFd_ >= 0 ? count : -1;
    if (clientFd_ >= 0) fds[count++] = {clientFd_, POLLIN, 0};
    const int ptyAt = ptyMaster_ >= 0 ? count : -1;
    if (ptyMaster_ >= 0) fds[count++] = {ptyMaster_, POLLIN, 0};
    const int64_t wait = std::max<int64_t>(0, nextCycle - nowMs());
    ::poll(fds, static_cast<nfds_t>(count), static_cast<int>(wait));
    const int64_t now = nowMs();
    if (fds[0].revents & POLLIN) {
      uint64_t v;
      [[maybe_unused]] auto n = ::read(wakeFd_, &v, sizeof v);
      runActions();
    }
    if (listenAt >= 0 && listenFd_ >= 0 && (fds[listenAt].revents & POLLIN)) acceptClient();
    if (clientAt >= 0 && clientFd_ >= 0 && fds[clientAt].revents != 0) readClient(now);
    if (ptyAt >= 0 && (fds[ptyAt].revents & POLLIN)) readPty(now);
    if (now >= nextCycle) {
      runCycle(now);
      nextCycle += options_.cycleMs;
      if (nextCycle <= now) nextCycle = now + options_.cycleMs;  // fell behind: no burst
    }
  }
}
