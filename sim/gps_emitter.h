#pragma once
// The simulated GPS receiver: a thread that once a period writes GGA, RMC and
// GSA sentences for the robot's true pose (x east, y north, mm, around the
// geographic origin) on a pseudo-terminal that the station opens as its GPS port.
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/nmea_emitter.h"
#include "sim/pose_source.h"
#include "sim/pseudo_terminal.h"

struct GpsSettings {
  GeoOrigin origin;
  int periodMs = 1000;
  int dropEvery = 0;     // every Nth sentence is not sent (0: none)
  int corruptEvery = 0;  // every Nth sentence goes out with a broken checksum (0: none)
};

// Counts every sentence that would go out (GGA, RMC and GSA alike) and drops
// or corrupts every Nth; a sentence due for both is dropped.
struct SentenceFaults {
  int dropEvery = 0;
  int corruptEvery = 0;
  long count = 0;
  std::optional<std::string> pass(std::string sentence);
};

// The sentences of one fix, in the order a receiver sends them.
std::vector<std::string> fixSentences(const FixReport& fix);

// The fix for a pose: position around the origin, speed and course from the
// pose one period earlier (none: standing), UTC time and date from the clock.
FixReport fixForPose(const GeoOrigin& origin, const SimPose& pose, const SimPose* previous,
                     double periodSeconds, double unixSeconds);

class GpsEmitter {
 public:
  GpsEmitter(PoseSource pose, GpsSettings settings);
  ~GpsEmitter();
  GpsEmitter(const GpsEmitter&) = delete;
  GpsEmitter& operator=(const GpsEmitter&) = delete;

  // Opens the pseudo-terminal and starts the thread; the first fix goes out at once.
  bool start(std::string& error);
  void stop();
  std::string ptyPath() const { return pty_.path; }

 private:
  void loop();
  void emit(const SimPose& pose, const SimPose* previous);

  PoseSource pose_;
  GpsSettings settings_;
  SentenceFaults faults_;
  PseudoTerminal pty_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};
