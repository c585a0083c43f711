#pragma once
// torva-laser's link to a PLS / LMS 2xx on a serial line. Set-up: find the
// scanner's line speed (the one asked for first, then 9600, where it starts,
// then the others) by asking it to stop its output until it acknowledges and
// answers; switch it to the speed asked for and follow; ask for 180 degrees
// at 0.5 degree; start the continuous output of all values. If the scanner
// refuses continuous output, or none comes within a second, ask for each scan.
// The link is lost when no scan comes for a second plus the time one
// telegram takes on the line, or the line drops.
#include <string>
#include <vector>

#include "os/serial_port.h"
#include "scanner/lms_receiver.h"
#include "scanner/lms_values.h"
#include "scanner/scanner_link.h"

class LmsLink : public ScannerLink, private LmsFrameSink {
 public:
  LmsLink(std::string device, int baud, LinkHooks hooks);
  ~LmsLink() override { close(); }

  bool open(int64_t nowMs, int stopFd, std::string& why) override;
  int fd() const override { return port_.fd(); }
  int64_t deadlineMs() const override { return deadlineMs_; }
  std::optional<std::string> step(int64_t nowMs, short revents) override;
  void stopOutputAndClose() override;
  void close() override;
  LinkDiscards discards() const override { return receiver_.discards(); }

  // The line speeds tried, in order, for a scanner whose speed is unknown.
  static std::vector<int> probeOrder(int wanted);
  // How long the longest telegram of values takes on the line, in ms.
  static int64_t telegramMs(int baud);

 private:
  enum class Phase { Probe, ChangeSpeed, Variant, StartOutput, Continuous, Polling };

  void onAck() override;
  void onNak() override;
  void onFrame(const LmsFrame& frame) override;

  // Sends a request and waits for its acknowledge and answer.
  bool request(uint8_t command, std::vector<uint8_t> data, int64_t nowMs);
  bool setLineSpeed(int baud);
  void enter(Phase phase, int64_t nowMs);
  void takeValues(const LmsFrame& frame, int64_t nowMs);
  std::optional<std::string> exchangeDone(int64_t nowMs);
  std::optional<std::string> timeUp(int64_t nowMs);

  std::string device_;
  int wanted_;
  LinkHooks hooks_;
  SerialPort port_;
  LmsReceiver receiver_{true};
  // What the receiver had thrown away when the line speed was found: the
  // garbage of the speeds tried before is no fault of the line.
  LinkDiscards discardsBeforeProbe_;
  LmsValues values_;
  StationScan scan_{};

  Phase phase_ = Phase::Probe;
  std::vector<int> probes_;
  std::size_t probe_ = 0;
  int lineBaud_ = 9600;
  int64_t deadlineMs_ = 0;
  int64_t nowMs_ = 0;
  // The exchange under way.
  uint8_t answer_ = 0;  // the command byte its answer carries
  bool acked_ = false, refused_ = false, answered_ = false;
  bool scanSeen_ = false;
  std::string lost_;
};
