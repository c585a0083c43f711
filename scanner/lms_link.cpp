#include "scanner/lms_link.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "scanner/lms_telegram.h"

namespace {
// No scan for this long, plus the time a telegram takes on the line: lost.
constexpr int64_t kSilenceMs = 1000;
// An acknowledge and an answer, beyond the time the answer takes on the line:
// short while the speed is being found (a wrong one answers nothing), longer
// once it is (a scanner may take a while over a new variant).
constexpr int64_t kProbeAnswerMs = 300;
constexpr int64_t kAnswerMs = 1000;
// Header, command, count word, 401 values, status, check.
constexpr int64_t kLongestTelegram = lms::kHeaderBytes + 1 + 2 + 2 * 401 + 1 + lms::kCrcBytes;
// 180 degrees at 0.5 degree, each as a 16-bit little-endian number (the
// resolution in 1/100 degree).
const std::vector<uint8_t> kVariant180Half = {180, 0, 50, 0};
}  // namespace

LmsLink::LmsLink(std::string device, int baud, LinkHooks hooks)
    : device_(std::move(device)), wanted_(baud), hooks_(std::move(hooks)) {}

std::vector<int> LmsLink::probeOrder(int wanted) {
  std::vector<int> order{wanted};
  for (int baud : {9600, 38400, 19200, 500000}) {
    if (baud != wanted) order.push_back(baud);
  }
  return order;
}

int64_t LmsLink::telegramMs(int baud) {
  // Ten bits a byte on the line: start, eight data bits, stop.
  return (kLongestTelegram * 10 * 1000 + baud - 1) / baud;
}

bool LmsLink::open(int64_t nowMs, int /*stopFd*/, std::string& why) {
  close();
  if (!port_.open(device_.c_str()) || !port_.applyReadTimeouts()) {
    why = "no se puede abrir " + device_ + ": " + std::strerror(errno);
    port_.close();
    return false;
  }
  probes_ = probeOrder(wanted_);
  probe_ = 0;
  discardsBeforeProbe_ = receiver_.discards();
  scanSeen_ = false;
  lost_.clear();
  // A speed the line cannot take is found out before the scanner is moved to it.
  if (!setLineSpeed(wanted_)) {
    why = lost_;
    close();
    return false;
  }
  nowMs_ = nowMs;
  enter(Phase::Probe, nowMs);
  if (!lost_.empty()) {
    why = lost_;
    close();
    return false;
  }
  return true;
}

void LmsLink::close() {
  port_.close();
}

bool LmsLink::setLineSpeed(int baud) {
  if (!port_.applyLineSettings(baud)) {
    lost_ = device_ + " no admite " + std::to_string(baud) + " baudios: " + std::strerror(errno);
    return false;
  }
  lineBaud_ = baud;
  // What came at the old speed means nothing at the new one.
  ::tcflush(port_.fd(), TCIOFLUSH);
  receiver_.reset();
  return true;
}

bool LmsLink::request(uint8_t command, std::vector<uint8_t> data, int64_t nowMs) {
  const std::vector<uint8_t> t = buildLmsTelegram(lms::kToScanner, command, data);
  std::size_t done = 0;
  while (done < t.size()) {
    const ssize_t n = port_.write(t.data() + done, t.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      lost_ = std::string("no se puede escribir en ") + device_ + ": " +
              (n < 0 ? std::strerror(errno) : "linea llena");
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  answer_ = static_cast<uint8_t>(command | lms::kAnswerBit);
  acked_ = refused_ = answered_ = false;
  deadlineMs_ =
      nowMs + (phase_ == Phase::Probe ? kProbeAnswerMs : kAnswerMs) + telegramMs(lineBaud_);
  return true;
}

void LmsLink::enter(Phase phase, int64_t nowMs) {
  phase_ = phase;
  switch (phase) {
    case Phase::Probe:
      // Stopping the output is harmless at any time and answered in any mode.
      request(lms::kSelectMode, {lms::kModeOnRequest}, nowMs);
      break;
    case Phase::ChangeSpeed:
      request(lms::kSelectMode, {lmsModeForBaud(wanted_)}, nowMs);
      break;
    case Phase::Variant:
      request(lms::kSetVariant, kVariant180Half, nowMs);
      break;
    case Phase::StartOutput:
      request(lms::kSelectMode, {lms::kModeContinuous}, nowMs);
      break;
    case Phase::Continuous:
      deadlineMs_ = nowMs + kSilenceMs + telegramMs(lineBaud_);
      break;
    case Phase::Polling:
      request(lms::kRequestValues, {lms::kOneScan}, nowMs);
      deadlineMs_ = nowMs + kSilenceMs + telegramMs(lineBaud_);
      break;
  }
}

void LmsLink::onAck() {
  acked_ = true;
}

void LmsLink::onNak() {
  refused_ = true;
}

void LmsLink::onFrame(const LmsFrame& frame) {
  if (frame.command() == lms::kMeasuredValues) takeValues(frame, nowMs_);
  if (frame.command() == answer_ && acked_) answered_ = true;
}

void LmsLink::takeValues(const LmsFrame& frame, int64_t nowMs) {
  // Values before the set-up is done are a stream this link did not ask for.
  if (phase_ != Phase::StartOutput && phase_ != Phase::Continuous && phase_ != Phase::Polling) {
    return;
  }
  if (decodeLmsValues(frame.body, frame.size, values_) != LmsValuesResult::Taken ||
      !lmsValuesToStation(values_, scan_)) {
    ++receiver_.discards().shortTelegrams;
    return;
  }
  if (!scanSeen_) {
    hooks_.say("barridos de " + device_ + " a " + std::to_string(lineBaud_) + " baudios, " +
               (phase_ == Phase::Polling ? "pedidos uno a uno" : "continuos") + " (" +
               std::to_string(values_.distances.size()) + " valores en " +
               (values_.unit == LmsUnit::Centimetre ? "cm" : "mm") + ")");
  }
  scanSeen_ = true;
  hooks_.onScan(scan_);
  if (phase_ != Phase::Polling) deadlineMs_ = nowMs + kSilenceMs + telegramMs(lineBaud_);
}

std::optional<std::string> LmsLink::step(int64_t nowMs, short revents) {
  nowMs_ = nowMs;
  if ((revents & POLLIN) != 0) {
    uint8_t buffer[4096];
    for (;;) {
      const ssize_t n = port_.read(buffer, sizeof buffer);
      if (n > 0) {
        receiver_.feed(buffer, static_cast<std::size_t>(n), *this);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN)
        return std::string("error al leer ") + device_ + ": " + std::strerror(errno);
      break;
    }
  }
  // A line hung up (an adapter unplugged, the other end of a pseudo-terminal
  // gone) stays readable with nothing to read: it must not be waited on again.
  if ((revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return "se corto la linea " + device_;
  if (!lost_.empty()) return lost_;
  if (auto lost = exchangeDone(nowMs)) return lost;
  if (!lost_.empty()) return lost_;
  if (nowMs >= deadlineMs_) {
    auto lost = timeUp(nowMs);
    if (!lost && !lost_.empty()) return lost_;
    return lost;
  }
  return std::nullopt;
}

std::optional<std::string> LmsLink::exchangeDone(int64_t nowMs) {
  switch (phase_) {
    case Phase::Probe:
      if (answered_) {
        receiver_.discards() = discardsBeforeProbe_;
        enter(lineBaud_ == wanted_ ? Phase::Variant : Phase::ChangeSpeed, nowMs);
      }
      break;
    case Phase::ChangeSpeed:
      if (refused_) return "el escaner rechaza " + std::to_string(wanted_) + " baudios";
      // The scanner answers at the old speed and then changes.
      if (answered_) {
        if (!setLineSpeed(wanted_)) return lost_;
        enter(Phase::Variant, nowMs);
      }
      break;
    case Phase::Variant:
      // A scanner without variants (a PLS) refuses; its values still say their count.
      if (answered_ || refused_) enter(Phase::StartOutput, nowMs);
      break;
    case Phase::StartOutput:
      if (answered_ || scanSeen_) {
        enter(Phase::Continuous, nowMs);
      } else if (refused_) {
        hooks_.say("el escaner rechaza la salida continua; se piden los barridos uno a uno");
        enter(Phase::Polling, nowMs);
      }
      break;
    case Phase::Continuous:
      break;
    case Phase::Polling:
      if (answered_) enter(Phase::Polling, nowMs);
      break;
  }
  return std::nullopt;
}

std::optional<std::string> LmsLink::timeUp(int64_t nowMs) {
  switch (phase_) {
    case Phase::Probe:
      // Speeds this line cannot take are passed over.
      while (++probe_ < probes_.size() && !setLineSpeed(probes_[probe_])) lost_.clear();
      if (probe_ >= probes_.size()) {
        return "el escaner no contesta en " + device_ + " a 9600, 19200, 38400 ni 500000 baudios";
      }
      enter(Phase::Probe, nowMs);
      return std::nullopt;
    case Phase::ChangeSpeed:
      return "el escaner no contesta al cambio a " + std::to_string(wanted_) + " baudios";
    case Phase::Variant:
    case Phase::StartOutput:
      return "el escaner no contesta a " + std::to_string(lineBaud_) + " baudios";
    case Phase::Continuous:
      if (!scanSeen_) {
        hooks_.say("el escaner no envia barridos seguidos; se piden uno a uno");
        enter(Phase::Polling, nowMs);
        return std::nullopt;
      }
      return "sin barridos del escaner desde hace 1 s";
    case Phase::Polling:
      return "sin barridos del escaner desde hace 1 s";
  }
  return std::nullopt;
}

void LmsLink::stopOutputAndClose() {
  const bool output =
      phase_ == Phase::StartOutput || phase_ == Phase::Continuous || phase_ == Phase::Polling;
  if (port_.isOpen() && output) {
    const int64_t start = steadyMs();
    phase_ = Phase::Probe;  // values that still come are not scans any more
    if (request(lms::kSelectMode, {lms::kModeOnRequest}, start)) {
      while (!answered_ && !refused_) {
        const int64_t left = deadlineMs_ - steadyMs();
        pollfd p{port_.fd(), POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) break;
        uint8_t buffer[1024];
        const ssize_t n = port_.read(buffer, sizeof buffer);
        if (n > 0) {
          receiver_.feed(buffer, static_cast<std::size_t>(n), *this);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
          break;
        }
      }
    }
  }
  close();
}
