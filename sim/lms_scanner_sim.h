#pragma once
// A simulated PLS / LMS 2xx on a pseudo-terminal, behaving as the scanner
// does on its serial line: it starts at 9600 baud in the mode that sends
// values only when asked; every request with a good check is acknowledged
// with 0x06 (a refused one, or one with a bad check, gets 0x15) and then
// answered from address 0x80
// with the request's command byte | 0x80; a new line speed takes effect once
// its answer is out; in continuous mode a telegram of values (0xB0, in cm)
// goes out for every scan the line has time for. On a pseudo-terminal the
// line speed is the terminal's setting, so the scanner really requires its
// client's speed: what comes at another speed is lost, and what it sends
// then arrives garbled.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "os/wake_event.h"
#include "scanner/lms_receiver.h"
#include "sim/pose_source.h"
#include "sim/pseudo_terminal.h"
#include "sim/world_map.h"

struct LmsSimSettings {
  // A scanner that refuses continuous output (0x20 0x24) and must be asked.
  bool refuseContinuous = false;
};

class SimLmsScanner : private LmsFrameSink {
 public:
  SimLmsScanner(std::vector<Wall> walls, PoseSource pose, LmsSimSettings settings = {});
  ~SimLmsScanner() override;
  SimLmsScanner(const SimLmsScanner&) = delete;
  SimLmsScanner& operator=(const SimLmsScanner&) = delete;

  // Opens the pseudo-terminal and starts the scanner's thread.
  bool start(std::string& error);
  void stop();
  std::string ptyPath() const { return pty_.path; }
  // The scanner's own line speed now (tests).
  int baud() const { return baud_.load(); }

  // A scan's time in ms for a variant: the mirror turns at 75 Hz, and a
  // resolution finer than 1 degree takes one turn per interlaced part.
  static double scanPeriodMs(int resolution);

 private:
  void loop();
  void onFrame(const LmsFrame& frame) override;
  void answer(uint8_t command, const std::vector<uint8_t>& data);
  void send(const std::vector<uint8_t>& bytes);
  bool lineAtOurSpeed() const;
  std::vector<uint8_t> valuesTelegram();
  double telegramMs(std::size_t bytes) const;

  std::vector<Wall> walls_;
  PoseSource pose_;
  LmsSimSettings settings_;
  PseudoTerminal pty_;
  WakeEvent stop_;  // raised by stop(): the scanner thread ends
  std::thread thread_;

  // The scanner's state: its thread alone changes it.
  std::atomic<int> baud_{9600};
  bool continuous_ = false;
  int angle_ = 180;      // degrees
  int resolution_ = 50;  // 1/100 degree
  LmsReceiver receiver_{false};
};
