#include "sim/cola_scanner_sim.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "sim/scanner_view.h"

namespace {
constexpr int kStart = -450000;  // 1/10000 degree
constexpr int kStep = 2500;
constexpr int kCount = 1081;
constexpr double kMaxRangeMm = 20000;
// A client that takes nothing gets no more scans once this much waits for it.
constexpr std::size_t kMaxBacklog = 256 * 1024;

int64_t nowUs() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void appendHex(std::string& out, uint32_t value) {
  char text[12];
  const int n = std::snprintf(text, sizeof text, " %X", value);
  out.append(text, static_cast<std::size_t>(n));
}
}  // namespace

SimColaScanner::SimColaScanner(std::vector<Wall> walls, PoseSource pose, ColaSimSettings settings)
    : walls_(std::move(walls)), pose_(std::move(pose)), settings_(std::move(settings)) {}

SimColaScanner::~SimColaScanner() {
  stop();
}

bool SimColaScanner::start(std::string& error) {
  if (!stop_.valid()) {
    error = std::string("eventfd: ") + std::strerror(stop_.error());
    return false;
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(settings_.port));
  if (::inet_pton(AF_INET, settings_.address.c_str(), &a.sin_addr) != 1) {
    error = "direccion no valida: " + settings_.address;
    return false;
  }
  listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int one = 1;
  if (listen_ >= 0) ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::listen(listen_, 4) != 0) {
    error = "no se pudo escuchar en " + settings_.address + ":" + std::to_string(settings_.port) +
            ": " + std::strerror(errno);
    if (listen_ >= 0) ::close(listen_);
    listen_ = -1;
    return false;
  }
  socklen_t size = sizeof a;
  ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &size);
  port_.store(ntohs(a.sin_port));
  startUs_ = nowUs();
  thread_ = std::thread([this] { loop(); });
  return true;
}

void SimColaScanner::stop() {
  if (thread_.joinable()) {
    stop_.raise();
    thread_.join();
  }
  dropClient();
  if (listen_ >= 0) ::close(listen_);
  listen_ = -1;
}

void SimColaScanner::dropClient() {
  if (client_ >= 0) ::close(client_);
  client_ = -1;
  framer_.reset();
  out_.clear();
  streaming_ = false;
}

std::string SimColaScanner::scanTelegram(const char* kind) {
  const std::vector<double> mm =
      scannerDistancesMm(walls_, pose_(), kStart / 10000.0, kStep / 10000.0, kCount, kMaxRangeMm);
  const auto us = static_cast<uint32_t>(nowUs() - startUs_);
  std::string t;
  t.reserve(12 * kCount);
  t += kind;
  t += " LMDscandata 1 1 10E4C1A 0 0";
  appendHex(t, ++telegrams_);
  appendHex(t, scans_);
  appendHex(t, us);
  appendHex(t, us + 300);
  // Inputs, outputs, reserved; 25 Hz and the measuring rate in 100 Hz; no encoder.
  t += " 0 0 0 0 0";
  appendHex(t, kScanHz * 100);
  appendHex(t, kScanHz * kCount / 100);
  t += " 0 1 DIST1 3F800000 00000000 FFF92230";
  appendHex(t, kStep);
  appendHex(t, kCount);
  for (double d : mm) appendHex(t, d < 0 ? 0u : static_cast<uint32_t>(std::lround(d)));
  t += " 1 RSSI1 3F800000 00000000 FFF92230";
  appendHex(t, kStep);
  appendHex(t, kCount);
  for (double d : mm) appendHex(t, d < 0 ? 0u : 200u);
  // No position, a name, no comment, time or event.
  t += " 0 1 9 TORVA-SIM 0 0 0";
  return t;
}

void SimColaScanner::send(std::string_view text) {
  out_ += colaTelegram(text);
  flush();
}

void SimColaScanner::flush() {
  while (client_ >= 0 && !out_.empty()) {
    const ssize_t n = ::send(client_, out_.data(), out_.size(), MSG_NOSIGNAL);
    if (n > 0) {
      out_.erase(0, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    dropClient();
  }
}

void SimColaScanner::onTelegram(std::string_view text) {
  if (text == "sEN LMDscandata 1") {
    if (settings_.refuseEvents) return send("sFA 1");
    streaming_ = true;
    return send("sEA LMDscandata 1");
  }
  if (text == "sEN LMDscandata 0") {
    streaming_ = false;
    return send("sEA LMDscandata 0");
  }
  if (text == "sRN LMDscandata") return send(scanTelegram("sRA"));
  send("sFA 2");
}

void SimColaScanner::loop() {
  using Clock = std::chrono::steady_clock;
  const auto period = std::chrono::microseconds(1000000 / kScanHz);
  auto nextScan = Clock::now() + period;
  for (;;) {
    const int wait = static_cast<int>(std::clamp<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(nextScan - Clock::now()).count() + 1,
        0, 100));
    pollfd fds[3] = {{listen_, POLLIN, 0},
                     {stop_.fd(), POLLIN, 0},
                     {client_, static_cast<short>(POLLIN | (out_.empty() ? 0 : POLLOUT)), 0}};
    ::poll(fds, client_ >= 0 ? 3 : 2, wait);
    if ((fds[1].revents & POLLIN) != 0) return;
    if ((fds[0].revents & POLLIN) != 0) {
      const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd >= 0) {
        dropClient();
        client_ = fd;
      }
    }
    if (client_ >= 0 && fds[2].fd == client_ && (fds[2].revents & (POLLIN | POLLHUP)) != 0) {
      char bytes[1024];
      const ssize_t n = ::recv(client_, bytes, sizeof bytes, 0);
      if (n > 0) {
        framer_.feed(bytes, static_cast<std::size_t>(n), *this);
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        dropClient();
      }
    }
    flush();
    if (Clock::now() >= nextScan) {
      // The scanner scans whether anybody listens or not.
      ++scans_;
      if (streaming_ && client_ >= 0 && out_.size() < kMaxBacklog) send(scanTelegram("sSN"));
      nextScan += period;
      if (nextScan <= Clock::now()) nextScan = Clock::now() + period;
    }
  }
}
