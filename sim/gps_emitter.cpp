#include "sim/gps_emitter.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <numbers>

namespace {
// About five seconds of fixes.
constexpr int kMaxBacklogBytes = 1200;
}  // namespace

std::optional<std::string> SentenceFaults::pass(std::string sentence) {
  ++count;
  if (dropEvery > 0 && count % dropEvery == 0) return std::nullopt;
  if (corruptEvery > 0 && count % corruptEvery == 0) return corruptSentence(std::move(sentence));
  return sentence;
}

std::vector<std::string> fixSentences(const FixReport& fix) {
  return {formatGga(fix), formatRmc(fix), formatGsa(fix)};
}

FixReport fixForPose(const GeoOrigin& origin, const SimPose& pose, const SimPose* previous,
                     double periodSeconds, double unixSeconds) {
  FixReport fix;
  fix.position = offsetFromOrigin(origin, pose.x, pose.y);
  fix.altitudeM = origin.altitudeM;
  if (previous != nullptr && periodSeconds > 0) {
    const double east = (pose.x - previous->x) / 1000;
    const double north = (pose.y - previous->y) / 1000;
    fix.speedKnots = std::hypot(east, north) / periodSeconds * 3600 / 1852;
    // Course over ground: clockwise from north.
    double course = std::atan2(east, north) * 180 / std::numbers::pi;
    if (course < 0) course += 360;
    fix.courseDeg = fix.speedKnots > 0.01 ? course : 0;
  }
  const auto whole = static_cast<std::time_t>(std::floor(unixSeconds));
  std::tm utc{};
  ::gmtime_r(&whole, &utc);
  fix.utcSeconds = utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec + (unixSeconds - whole);
  fix.day = utc.tm_mday;
  fix.month = utc.tm_mon + 1;
  fix.year = utc.tm_year % 100;
  return fix;
}

GpsEmitter::GpsEmitter(PoseSource pose, GpsSettings settings)
    : pose_(std::move(pose)), settings_(std::move(settings)) {
  faults_.dropEvery = settings_.dropEvery;
  faults_.corruptEvery = settings_.corruptEvery;
}

GpsEmitter::~GpsEmitter() {
  stop();
}

bool GpsEmitter::start(std::string& error) {
  if (!openPseudoTerminal(pty_, error)) return false;
  thread_ = std::thread([this] { loop(); });
  return true;
}

void GpsEmitter::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  closePseudoTerminal(pty_);
}

void GpsEmitter::emit(const SimPose& pose, const SimPose* previous) {
  using namespace std::chrono;
  const double unixSeconds = duration<double>(system_clock::now().time_since_epoch()).count();
  const FixReport fix =
      fixForPose(settings_.origin, pose, previous, settings_.periodMs / 1000.0, unixSeconds);
  discardStationInput(pty_);
  // While nobody reads the line, old fixes are let go rather than queued: a
  // station that opens the port later starts from the current position, and
  // the line never fills up to cut a sentence in half.
  int pending = 0;
  if (::ioctl(pty_.slave, FIONREAD, &pending) == 0 && pending > kMaxBacklogBytes) {
    ::tcflush(pty_.slave, TCIFLUSH);
  }
  for (std::string& s : fixSentences(fix)) {
    const std::optional<std::string> out = faults_.pass(std::move(s));
    if (out) {
      [[maybe_unused]] auto n = ::write(pty_.master, out->data(), out->size());
    }
  }
}

void GpsEmitter::loop() {
  using Clock = std::chrono::steady_clock;
  const auto period = std::chrono::milliseconds(std::max(1, settings_.periodMs));
  auto next = Clock::now();
  std::optional<SimPose> previous;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!wake_.wait_until(lock, next, [this] { return stopping_; })) {
    lock.unlock();
    const SimPose pose = pose_();
    emit(pose, previous ? &*previous : nullptr);
    previous = pose;
    next += period;
    const auto now = Clock::now();
    if (next <= now) next = now + period;
    lock.lock();
  }
}
