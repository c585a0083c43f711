#pragma once
// The simulated laser's output: a thread that every period casts a scan of the
// world from the robot's true pose and writes it atomically to
// DIR/data_sick.dat, where the station's laser thread reads it.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/laser_scan_writer.h"
#include "sim/pose_source.h"
#include "sim/world_map.h"

struct LaserFileSettings {
  std::string dir;
  int periodMs = 100;
  LaserSettings scan;
  unsigned noiseSeed = 1;
};

class LaserFileWriter {
 public:
  LaserFileWriter(std::vector<Wall> walls, PoseSource pose, LaserFileSettings settings);
  ~LaserFileWriter();
  LaserFileWriter(const LaserFileWriter&) = delete;
  LaserFileWriter& operator=(const LaserFileWriter&) = delete;

  // Writes the first scan at once (so a folder that cannot be written is an
  // error here, not a silent thread) and starts the thread.
  bool start(std::string& error);
  void stop();
  std::string filePath() const { return settings_.dir + "/data_sick.dat"; }

 private:
  bool writeOnce();
  void loop();

  std::vector<Wall> walls_;
  PoseSource pose_;
  LaserFileSettings settings_;
  std::mt19937 noise_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};
