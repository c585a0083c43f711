#pragma once
// Plays a recording back for the station, in the recording's own time (see
// ReplayClock): its scans written to DIR/data_sick.dat when they were read,
// its GPS bytes on a pseudo-terminal when they arrived, and its status
// packets handed to the server's cycle when they were taken. After the last
// packet the robot stays where the recording left it: the last packet is
// sent again every 100 ms, so the station's link stays up.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/pseudo_terminal.h"
#include "sim/replay_clock.h"
#include "sim/replay_recording.h"

struct ReplaySettings {
  std::string laserDir;  // empty: no scan file
  bool gpsPty = false;
  double speed = 1;
};

class ReplayPlayer {
 public:
  ReplayPlayer(ReplayRecording recording, ReplaySettings settings);
  ~ReplayPlayer();
  ReplayPlayer(const ReplayPlayer&) = delete;
  ReplayPlayer& operator=(const ReplayPlayer&) = delete;

  // Opens the GPS line, writes the first scan (so a folder that cannot be
  // written is an error here) and starts the player's thread.
  bool start(std::string& error);
  void stop();

  std::string laserPath() const { return settings_.laserDir + "/data_sick.dat"; }
  std::string gpsPath() const { return pty_.path; }

  // The server's status feed, on its thread every cycle: the packets due now.
  void duePackets(bool sessionOpen, std::vector<std::vector<std::uint8_t>>& out);
  // The recording's time has all been played (what came after the station
  // closed its session is not sent).
  bool finished() const;

 private:
  void loop();
  bool writeScan(const LaserRecord& scan);
  void writeGps(const GpsChunk& chunk);

  ReplayRecording recording_;
  ReplaySettings settings_;
  std::unique_ptr<ReplayClock> clock_;
  PseudoTerminal pty_;

  // Server thread only.
  std::size_t nextPacket_ = 0;
  double lastRepeat_ = 0;

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::size_t nextScan_ = 0;  // player thread
  std::size_t nextChunk_ = 0;
  std::thread thread_;
};

// The scan file's text for ranges in metres, each written in centimetres so
// that the station's reader takes back the very same value.
std::string replayScanText(const std::vector<float>& rangesM);
