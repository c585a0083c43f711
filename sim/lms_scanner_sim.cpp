#include "sim/lms_scanner_sim.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "scanner/lms_telegram.h"
#include "sim/scanner_view.h"

namespace {
constexpr uint8_t kAddress = lms::kFromScanner;
// The status byte of every answer: no error, as the listing's example shows.
constexpr int kStatus = 0x10;
// The range of the cm mode; farther than this is no echo.
constexpr double kMaxRangeMm = 80000;
// While nobody reads the line, older scans are let go.
constexpr int kMaxBacklogBytes = 4096;

speed_t speedCode(int baud) {
  switch (baud) {
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 500000:
      return B500000;
    default:
      return B9600;
  }
}

int baudForMode(uint8_t mode) {
  switch (mode) {
    case lms::kMode38400:
      return 38400;
    case lms::kMode19200:
      return 19200;
    case lms::kMode9600:
      return 9600;
    case lms::kMode500000:
      return 500000;
    default:
      return 0;
  }
}

bool variantExists(int angle, int resolution) {
  return (angle == 180 && (resolution == 50 || resolution == 100)) ||
         (angle == 100 && (resolution == 25 || resolution == 50 || resolution == 100));
}
}  // namespace

SimLmsScanner::SimLmsScanner(std::vector<Wall> walls, PoseSource pose, LmsSimSettings settings)
    : walls_(std::move(walls)), pose_(std::move(pose)), settings_(settings) {}

SimLmsScanner::~SimLmsScanner() {
  stop();
}

double SimLmsScanner::scanPeriodMs(int resolution) {
  const double turnMs = 1000.0 / 75;
  return turnMs * std::max(1, 100 / std::max(1, resolution));
}

bool SimLmsScanner::start(std::string& error) {
  if (!stop_.valid()) {
    error = std::string("eventfd: ") + std::strerror(stop_.error());
    return false;
  }
  if (!openPseudoTerminal(pty_, error)) return false;
  // The line starts at the scanner's own speed.
  termios tio{};
  ::tcgetattr(pty_.slave, &tio);
  ::cfsetispeed(&tio, B9600);
  ::cfsetospeed(&tio, B9600);
  ::tcsetattr(pty_.slave, TCSANOW, &tio);
  thread_ = std::thread([this] { loop(); });
  return true;
}

void SimLmsScanner::stop() {
  if (thread_.joinable()) {
    stop_.raise();
    thread_.join();
  }
  closePseudoTerminal(pty_);
}

bool SimLmsScanner::lineAtOurSpeed() const {
  // The master sees the terminal's settings as its client set them.
  termios tio{};
  if (::tcgetattr(pty_.master, &tio) != 0) return false;
  return ::cfgetospeed(&tio) == speedCode(baud_.load());
}

double SimLmsScanner::telegramMs(std::size_t bytes) const {
  return static_cast<double>(bytes) * 10 * 1000 / baud_.load();
}

void SimLmsScanner::send(const std::vector<uint8_t>& bytes) {
  if (lineAtOurSpeed()) {
    [[maybe_unused]] auto n = ::write(pty_.master, bytes.data(), bytes.size());
    return;
  }
  // A receiver at another speed takes framing errors for bytes of its own.
  std::vector<uint8_t> garbled(bytes);
  for (uint8_t& b : garbled) b = static_cast<uint8_t>(b * 37 + 0x5B);
  [[maybe_unused]] auto n = ::write(pty_.master, garbled.data(), garbled.size());
}

void SimLmsScanner::answer(uint8_t command, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> bytes{lms::kAck};
  const std::vector<uint8_t> t =
      buildLmsTelegram(kAddress, static_cast<uint8_t>(command | lms::kAnswerBit), data, kStatus);
  bytes.insert(bytes.end(), t.begin(), t.end());
  send(bytes);
}

void SimLmsScanner::onFrame(const LmsFrame& frame) {
  const uint8_t command = frame.command();
  const int dataSize = frame.size - 1;
  const uint8_t* data = frame.body + 1;
  const auto refuse = [this] { send({lms::kNak}); };
  switch (command) {
    case lms::kSelectMode: {
      if (dataSize < 1) return refuse();
      const uint8_t mode = data[0];
      if (mode == lms::kModeContinuous && settings_.refuseContinuous) return refuse();
      const int baud = baudForMode(mode);
      const bool known = baud != 0 || mode == lms::kModeContinuous || mode == lms::kModeOnRequest;
      // Modes this scanner does not simulate (installation, calibration) are
      // answered "not possible".
      answer(command, {static_cast<uint8_t>(known ? 0x00 : 0x01)});
      if (mode == lms::kModeContinuous) continuous_ = true;
      if (mode == lms::kModeOnRequest) continuous_ = false;
      // The answer went out at the old speed; the new one holds from now.
      if (baud != 0) baud_.store(baud);
      return;
    }
    case lms::kRequestValues:
      if (dataSize < 1 || data[0] != lms::kOneScan) return refuse();
      send(std::vector<uint8_t>{lms::kAck});
      send(valuesTelegram());
      return;
    case lms::kSetVariant: {
      if (dataSize != 4) return refuse();
      const int angle = data[0] | data[1] << 8;
      const int resolution = data[2] | data[3] << 8;
      const bool exists = variantExists(angle, resolution);
      if (exists) {
        angle_ = angle;
        resolution_ = resolution;
      }
      answer(command, {static_cast<uint8_t>(exists ? 0x01 : 0x00), static_cast<uint8_t>(angle_),
                       static_cast<uint8_t>(angle_ >> 8), static_cast<uint8_t>(resolution_),
                       static_cast<uint8_t>(resolution_ >> 8)});
      return;
    }
    default:
      return refuse();
  }
}

std::vector<uint8_t> SimLmsScanner::valuesTelegram() {
  const int count = angle_ * 100 / resolution_ + 1;
  const double start = angle_ == 180 ? 0 : 40;
  const std::vector<double> mm =
      scannerDistancesMm(walls_, pose_(), start, resolution_ / 100.0, count, kMaxRangeMm);
  std::vector<uint8_t> data;
  data.reserve(2 + 2 * mm.size());
  // Bits 14 and 15 of the count word 0: centimetres.
  data.push_back(static_cast<uint8_t>(count & 0xFF));
  data.push_back(static_cast<uint8_t>(count >> 8));
  for (double d : mm) {
    const long cm = d < 0 ? 8191 : std::min(8182L, std::lround(d / 10));
    data.push_back(static_cast<uint8_t>(cm & 0xFF));
    data.push_back(static_cast<uint8_t>(cm >> 8));
  }
  return buildLmsTelegram(kAddress, lms::kMeasuredValues, data, kStatus);
}

void SimLmsScanner::loop() {
  using Clock = std::chrono::steady_clock;
  auto nextScan = Clock::now();
  for (;;) {
    const auto now = Clock::now();
    int wait = 100;
    if (continuous_) {
      wait = static_cast<int>(std::clamp<long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(nextScan - now).count(), 0, 100));
    }
    pollfd fds[2] = {{pty_.master, POLLIN, 0}, {stop_.fd(), POLLIN, 0}};
    ::poll(fds, 2, wait);
    if ((fds[1].revents & POLLIN) != 0) return;
    if ((fds[0].revents & POLLIN) != 0) {
      uint8_t bytes[512];
      const ssize_t n = ::read(pty_.master, bytes, sizeof bytes);
      // What comes at another speed than the scanner's is lost to it; a
      // telegram whose check fails is refused.
      if (n > 0 && lineAtOurSpeed()) {
        const long badBefore = receiver_.discards().badCrc;
        receiver_.feed(bytes, static_cast<std::size_t>(n), *this);
        if (receiver_.discards().badCrc != badBefore) send({lms::kNak});
      }
    }
    if (continuous_ && Clock::now() >= nextScan) {
      int pending = 0;
      if (::ioctl(pty_.slave, FIONREAD, &pending) == 0 && pending > kMaxBacklogBytes) {
        ::tcflush(pty_.slave, TCIFLUSH);
      }
      const std::vector<uint8_t> t = valuesTelegram();
      send(t);
      // The next scan the line has time for.
      const double ms = std::max(scanPeriodMs(resolution_), telegramMs(t.size()));
      nextScan =
          std::max(nextScan + std::chrono::microseconds(std::lround(ms * 1000)), Clock::now());
    } else if (!continuous_) {
      nextScan = Clock::now();
    }
  }
}
