#include "sim/replay_player.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "sim/laser_scan_writer.h"

namespace {
constexpr auto kPollPeriod = std::chrono::milliseconds(5);
constexpr double kRepeatSeconds = 0.1;

// The station reads centimetres and keeps float(value) / 100. Every recorded
// value came out of that division, so a float within a few steps of
// metres * 100 gives it back; whole centimetres are written as such, others
// with the nine digits that carry a float exactly.
std::string centimetres(float metres) {
  char text[32];
  const double cm = std::nearbyint(static_cast<double>(metres) * 100.0);
  if (std::abs(cm) < 1e9 && static_cast<float>(cm) / 100.0f == metres) {
    std::snprintf(text, sizeof text, "%.0f", cm);
    return text;
  }
  const float near = static_cast<float>(static_cast<double>(metres) * 100.0);
  float best = near;
  float up = near, down = near;
  for (int step = 0; step < 4; ++step) {
    if (up / 100.0f == metres) {
      best = up;
      break;
    }
    if (down / 100.0f == metres) {
      best = down;
      break;
    }
    up = std::nextafter(up, std::numeric_limits<float>::infinity());
    down = std::nextafter(down, -std::numeric_limits<float>::infinity());
  }
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(best));
  return text;
}

}  // namespace

std::string replayScanText(const std::vector<float>& rangesM) {
  std::string text = "-1\n" + std::to_string(rangesM.size()) + "\n";
  for (std::size_t i = 0; i < rangesM.size(); ++i) {
    text += centimetres(rangesM[i]);
    text += (i + 1) % 19 == 0 || i + 1 == rangesM.size() ? '\n' : ' ';
  }
  return text;
}

ReplayPlayer::ReplayPlayer(ReplayRecording recording, ReplaySettings settings)
    : recording_(std::move(recording)), settings_(std::move(settings)) {
  // The clock waits a little before the first packet: the station took it
  // some time after it opened the session.
  const double holdAt = recording_.packets.empty()
                            ? -1
                            : std::max(0.0, recording_.packets.front().seconds - kRepeatSeconds);
  clock_ = std::make_unique<ReplayClock>(settings_.speed, holdAt);
}

ReplayPlayer::~ReplayPlayer() {
  stop();
}

bool ReplayPlayer::start(std::string& error) {
  if (settings_.gpsPty && !openPseudoTerminal(pty_, error)) return false;
  if (!settings_.laserDir.empty() && !recording_.scans.empty()) {
    // The scan the station saw first, until its time comes round.
    if (!writeScan(recording_.scans.front())) {
      error = "no se puede escribir " + laserPath();
      closePseudoTerminal(pty_);
      return false;
    }
  }
  thread_ = std::thread([this] { loop(); });
  return true;
}

void ReplayPlayer::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  closePseudoTerminal(pty_);
}

bool ReplayPlayer::writeScan(const LaserRecord& scan) {
  return writeScanText(settings_.laserDir, replayScanText(scan.ranges));
}

void ReplayPlayer::writeGps(const GpsChunk& chunk) {
  if (pty_.master < 0) return;
  discardStationInput(pty_);
  std::size_t done = 0;
  while (done < chunk.count) {
    const ssize_t n =
        ::write(pty_.master, recording_.gpsBytes.data() + chunk.offset + done, chunk.count - done);
    if (n <= 0) break;  // nobody reads the line and it is full: the rest is let go
    done += static_cast<std::size_t>(n);
  }
}

void ReplayPlayer::loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (wake_.wait_for(lock, kPollPeriod, [this] { return stopping_; })) return;
    lock.unlock();
    const double now = clock_->seconds();
    const auto& scans = recording_.scans;
    // Of the scans that came due since the last pass, the newest: the station
    // reads the file as it stands.
    std::size_t due = nextScan_;
    while (due < scans.size() && scans[due].seconds <= now) ++due;
    if (due > nextScan_ && !settings_.laserDir.empty()) writeScan(scans[due - 1]);
    nextScan_ = due;
    while (nextChunk_ < recording_.gpsChunks.size() &&
           recording_.gpsChunks[nextChunk_].seconds <= now) {
      writeGps(recording_.gpsChunks[nextChunk_++]);
    }
    lock.lock();
  }
}

void ReplayPlayer::duePackets(bool sessionOpen, std::vector<std::vector<std::uint8_t>>& out) {
  out.clear();
  if (recording_.packets.empty()) return;
  if (!sessionOpen) return;
  clock_->sessionOpened();
  const double now = clock_->seconds();
  const auto& packets = recording_.packets;
  while (nextPacket_ < packets.size() && packets[nextPacket_].seconds <= now) {
    out.push_back(packets[nextPacket_++].bytes);
    lastRepeat_ = now;
  }
  if (nextPacket_ == packets.size() && out.empty() &&
      now - lastRepeat_ >= kRepeatSeconds * settings_.speed) {
    out.push_back(packets.back().bytes);
    lastRepeat_ = now;
  }
}

bool ReplayPlayer::finished() const {
  return clock_->seconds() >= recording_.lengthSeconds();
}
