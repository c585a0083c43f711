#include "scripted_robot_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "aria/ar_commands.h"
#include "aria/ar_config_packet.h"
#include "aria/ar_status_packet.h"

namespace {
int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

ScriptedRobotPeer::ScriptedRobotPeer() {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(listenFd_, 4);
  socklen_t size = sizeof a;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &size);
  port_ = ntohs(a.sin_port);
}

ScriptedRobotPeer::~ScriptedRobotPeer() {
  closeClient();
  if (listenFd_ >= 0) ::close(listenFd_);
}

bool ScriptedRobotPeer::accept(int timeoutMs) {
  pollfd p{listenFd_, POLLIN, 0};
  if (::poll(&p, 1, timeoutMs) <= 0) return false;
  clientFd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
  eof_ = false;
  return clientFd_ >= 0;
}

bool ScriptedRobotPeer::pump(int timeoutMs) {
  if (clientFd_ < 0 || eof_) return false;
  pollfd p{clientFd_, POLLIN, 0};
  if (::poll(&p, 1, timeoutMs) <= 0) return false;
  uint8_t buffer[512];
  const long n = ::recv(clientFd_, buffer, sizeof buffer, 0);
  if (n <= 0) {
    eof_ = true;
    return false;
  }
  raw_.insert(raw_.end(), buffer, buffer + n);
  receiver_.feed(buffer, static_cast<std::size_t>(n), nowMs(), *this);
  return true;
}

bool ScriptedRobotPeer::readPacket(ReceivedPacket& out, int timeoutMs) {
  const int64_t deadline = nowMs() + timeoutMs;
  while (queue_.empty()) {
    const int64_t left = deadline - nowMs();
    if (left <= 0) return false;
    if (!pump(static_cast<int>(left)) && eof_) return false;
  }
  out = queue_.front();
  queue_.pop_front();
  return true;
}

bool ScriptedRobotPeer::send(const std::vector<uint8_t>& bytes) {
  return clientFd_ >= 0 && ::send(clientFd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
                               static_cast<long>(bytes.size());
}

bool ScriptedRobotPeer::sendPacket(uint8_t type, const std::vector<uint8_t>& data) {
  WirePacket p;
  if (!buildPacket(type, data.data(), static_cast<int>(data.size()), p)) return false;
  return send({p.data(), p.data() + p.size});
}

bool ScriptedRobotPeer::answerHandshake(const std::string& model, uint8_t gyroType) {
  ReceivedPacket p;
  for (uint8_t step = 0; step <= 2; ++step) {
    if (!readPacket(p, 3000) || p.type != step || p.dataSize != 0) return false;
    if (step < 2) {
      sendPacket(step, {});
    } else {
      std::vector<uint8_t> strings;
      for (const std::string& s : {std::string("Scripted"), std::string("Pioneer"), model}) {
        strings.insert(strings.end(), s.begin(), s.end());
        strings.push_back(0);
      }
      sendPacket(2, strings);
    }
  }
  if (!readPacket(p, 3000) || p.type != ArCommands::OPEN) return false;
  if (!readPacket(p, 3000) || p.type != ArCommands::CONFIG) return false;
  ArConfigFields config;
  config.robotType = "Pioneer";
  config.subType = model;
  config.serialNumber = "SCRIPT";
  config.gyroType = gyroType;
  const WirePacket c = encodeConfigPacket(config);
  return send({c.data(), c.data() + c.size});
}

void ScriptedRobotPeer::sendStatus(uint16_t x, uint16_t y, int16_t th, int16_t left,
                                   int16_t right) {
  ArStatusFields f;
  f.xCounts = x;
  f.yCounts = y;
  f.thUnits = th;
  f.leftVel = left;
  f.rightVel = right;
  f.battery = 120;
  f.flags = 1;
  const WirePacket p = encodeStatusPacket(f);
  send({p.data(), p.data() + p.size});
}

void ScriptedRobotPeer::closeClient() {
  if (clientFd_ >= 0) ::close(clientFd_);
  clientFd_ = -1;
}

bool ScriptedRobotPeer::clientClosed(int timeoutMs) {
  const int64_t deadline = nowMs() + timeoutMs;
  while (!eof_) {
    const int64_t left = deadline - nowMs();
    if (left <= 0) return false;
    pump(static_cast<int>(left));
  }
  return true;
}
