#include "scanner/cola_link.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
constexpr int64_t kSilenceMs = 1000;
constexpr int kConnectMs = 3000;
constexpr int64_t kStopWaitMs = 500;
constexpr std::string_view kEventsOn = "sEN LMDscandata 1";
constexpr std::string_view kEventsOff = "sEN LMDscandata 0";
constexpr std::string_view kPoll = "sRN LMDscandata";
}  // namespace

ColaLink::ColaLink(std::string host, int port, LinkHooks hooks)
    : host_(std::move(host)), port_(port), hooks_(std::move(hooks)) {}

bool ColaLink::open(int64_t nowMs, int stopFd, std::string& why) {
  close();
  const std::string where = host_ + ":" + std::to_string(port_);
  if (!client_.connect(host_, port_, stopFd, kConnectMs)) {
    why = "no se puede conectar con " + where + ": " + client_.failure().text;
    return false;
  }
  framer_.reset();
  phase_ = Phase::AskEvents;
  eventsAnswered_ = stopAnswered_ = pollPending_ = scanSeen_ = counterSeen_ = false;
  refusal_.clear();
  lost_.clear();
  nowMs_ = nowMs;
  silenceMs_ = nowMs + kSilenceMs;
  if (!send(kEventsOn)) {
    why = lost_;
    close();
    return false;
  }
  return true;
}

void ColaLink::close() {
  client_.close();
}

int64_t ColaLink::deadlineMs() const {
  if (phase_ == Phase::Polling && !pollPending_) return std::min(silenceMs_, nextPollMs_);
  return silenceMs_;
}

bool ColaLink::send(std::string_view text) {
  const std::string t = colaTelegram(text);
  std::size_t done = 0;
  while (done < t.size()) {
    const ssize_t n = client_.write(t.data() + done, t.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      lost_ = std::string("no se puede enviar al escaner: ") +
              (n < 0 ? std::strerror(errno) : "conexion llena");
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void ColaLink::poll(int64_t nowMs) {
  if (send(kPoll)) {
    pollPending_ = true;
    nextPollMs_ = nowMs;
  }
}

void ColaLink::onTelegram(std::string_view text) {
  switch (decodeLmdScandata(text, scan_)) {
    case LmdResult::Malformed:
      ++framer_.discards().shortTelegrams;
      return;
    case LmdResult::NotScan:
      if (text.starts_with("sEA LMDscandata")) {
        (text.ends_with(" 0") ? stopAnswered_ : eventsAnswered_) = true;
      } else if (text.starts_with("sFA")) {
        refusal_.assign(text);
      }
      return;
    case LmdResult::Scan:
      break;
  }
  if (phase_ == Phase::Polling) {
    pollPending_ = false;
    // One poll a scan: the scan's period from its own frequency (1/100 Hz).
    const int64_t period =
        scan_.scanFrequency > 0 ? std::clamp<int64_t>(100000 / scan_.scanFrequency, 10, 1000) : 100;
    nextPollMs_ += period;
    // A scanner asked faster than it scans answers with the scan it sent before.
    if (counterSeen_ && scan_.scanCounter == lastCounter_) return;
  }
  if (!lmdDistancesToStation(scan_, station_)) {
    ++framer_.discards().shortTelegrams;
    return;
  }
  counterSeen_ = true;
  lastCounter_ = scan_.scanCounter;
  if (!scanSeen_) {
    const LmdChannel* dist = nullptr;
    for (const LmdChannel& c : scan_.channels16) {
      if (c.name == "DIST1") dist = &c;
    }
    char detail[96];
    std::snprintf(detail, sizeof detail, " (%zu valores desde %g grados, cada %g grados)",
                  dist->values.size(), dist->startAngle / 10000.0, dist->step / 10000.0);
    hooks_.say("barridos de " + host_ + ":" + std::to_string(port_) + ", " +
               (phase_ == Phase::Polling ? "pedidos uno a uno" : "continuos") + detail);
  }
  scanSeen_ = true;
  silenceMs_ = nowMs_ + kSilenceMs;
  hooks_.onScan(station_);
}

std::optional<std::string> ColaLink::step(int64_t nowMs, short revents) {
  nowMs_ = nowMs;
  if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
    char buffer[16384];
    for (;;) {
      const ssize_t n = client_.read(buffer, sizeof buffer);
      if (n > 0) {
        framer_.feed(buffer, static_cast<std::size_t>(n), *this);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      return n == 0 ? std::string("el escaner cerro la conexion")
                    : std::string("error al leer del escaner: ") + std::strerror(errno);
    }
  }
  if (!lost_.empty()) return lost_;
  switch (phase_) {
    case Phase::AskEvents:
      if (eventsAnswered_ || scanSeen_) {
        phase_ = Phase::Events;
      } else if (!refusal_.empty()) {
        hooks_.say("el escaner rechaza sEN LMDscandata (" + refusal_ +
                   "); se piden los barridos uno a uno");
        refusal_.clear();
        phase_ = Phase::Polling;
        silenceMs_ = nowMs + kSilenceMs;
        poll(nowMs);
      }
      break;
    case Phase::Events:
      break;
    case Phase::Polling:
      if (!refusal_.empty()) return "el escaner rechaza sRN LMDscandata (" + refusal_ + ")";
      if (!pollPending_ && nowMs >= nextPollMs_) poll(std::max(nowMs, nextPollMs_));
      break;
  }
  if (!lost_.empty()) return lost_;
  if (nowMs >= silenceMs_) {
    if (phase_ == Phase::AskEvents) return std::string("el escaner no contesta a sEN LMDscandata");
    return std::string("sin barridos del escaner desde hace 1 s");
  }
  return std::nullopt;
}

void ColaLink::stopOutputAndClose() {
  if (client_.isOpen() && phase_ != Phase::Polling && send(kEventsOff)) {
    const int64_t end = steadyMs() + kStopWaitMs;
    while (!stopAnswered_) {
      const int64_t left = end - steadyMs();
      pollfd p{client_.fd(), POLLIN, 0};
      if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) break;
      char buffer[16384];
      const ssize_t n = client_.read(buffer, sizeof buffer);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
      if (n > 0) framer_.feed(buffer, static_cast<std::size_t>(n), *this);
    }
  }
  close();
}
