#pragma once
// A simulated CoLa-A scanner on TCP, like an LMS 1xx: 270 degrees from -45
// (its 90 straight ahead) at 0.25 degree, 25 scans a second, distances in mm
// up to 20 m (0 beyond), remission in an 8-bit channel. It answers
// "sEN LMDscandata 1/0" with "sEA LMDscandata 1/0" and then sends an
// "sSN LMDscandata" for every scan; "sRN LMDscandata" with one
// "sRA LMDscandata"; anything else with an error ("sFA"). One client at a
// time: a new connection takes the place of the old.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "os/wake_event.h"
#include "scanner/cola_framer.h"
#include "sim/pose_source.h"
#include "sim/world_map.h"

struct ColaSimSettings {
  std::string address = "127.0.0.1";
  int port = 0;  // 0: any free port (port() tells which)
  // A scanner that refuses "sEN LMDscandata" and must be polled.
  bool refuseEvents = false;
};

class SimColaScanner : private ColaTelegramSink {
 public:
  static constexpr int kScanHz = 25;

  SimColaScanner(std::vector<Wall> walls, PoseSource pose, ColaSimSettings settings = {});
  ~SimColaScanner() override;
  SimColaScanner(const SimColaScanner&) = delete;
  SimColaScanner& operator=(const SimColaScanner&) = delete;

  bool start(std::string& error);
  void stop();
  int port() const { return port_.load(); }

  // The scan telegram for a pose ("sSN" or "sRA" first), counters as given.
  std::string scanTelegram(const char* kind);

 private:
  void loop();
  void onTelegram(std::string_view text) override;
  void send(std::string_view text);
  void flush();
  void dropClient();

  std::vector<Wall> walls_;
  PoseSource pose_;
  ColaSimSettings settings_;
  std::atomic<int> port_{0};
  int listen_ = -1;
  int client_ = -1;
  WakeEvent stop_;  // raised by stop(): the scanner thread ends
  std::thread thread_;

  // The scanner thread's own.
  ColaFramer framer_;
  std::string out_;  // bytes the client has not taken yet
  bool streaming_ = false;
  uint32_t telegrams_ = 0;
  uint32_t scans_ = 0;
  int64_t startUs_ = 0;
};
