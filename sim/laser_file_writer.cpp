#include "sim/laser_file_writer.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>

LaserFileWriter::LaserFileWriter(std::vector<Wall> walls, PoseSource pose,
                                 LaserFileSettings settings)
    : walls_(std::move(walls)),
      pose_(std::move(pose)),
      settings_(std::move(settings)),
      noise_(settings_.noiseSeed) {}

LaserFileWriter::~LaserFileWriter() {
  stop();
}

bool LaserFileWriter::writeOnce() {
  const SimPose p = pose_();
  const std::vector<int> ranges =
      castScan(walls_, p.x, p.y, p.th * 180 / std::numbers::pi, settings_.scan, &noise_);
  return writeScanFile(settings_.dir, ranges);
}

bool LaserFileWriter::start(std::string& error) {
  if (!writeOnce()) {
    error = "no se puede escribir " + filePath();
    return false;
  }
  thread_ = std::thread([this] { loop(); });
  return true;
}

void LaserFileWriter::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void LaserFileWriter::loop() {
  using Clock = std::chrono::steady_clock;
  const auto period = std::chrono::milliseconds(std::max(1, settings_.periodMs));
  auto next = Clock::now() + period;
  bool failing = false;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!wake_.wait_until(lock, next, [this] { return stopping_; })) {
    lock.unlock();
    const bool ok = writeOnce();
    // One line when writing starts failing and one when it recovers, not ten a second.
    if (ok == failing) {
      std::printf(ok ? "torva-sim: laser de nuevo en %s\n" : "torva-sim: no se puede escribir %s\n",
                  filePath().c_str());
      std::fflush(stdout);
      failing = !ok;
    }
    next += period;
    const auto now = Clock::now();
    if (next <= now) next = now + period;  // fell behind: no burst
    lock.lock();
  }
}
