#pragma once
// torva-laser's link to a CoLa-A scanner over TCP (TiM 5xx, LMS 1xx, LMS 5xx).
// It asks for the scan telegrams with "sEN LMDscandata 1" and takes each
// "sSN LMDscandata"; a scanner that refuses ("sFA ...") is asked for each
// scan with "sRN LMDscandata", as often as it scans. Nothing that changes
// the scanner's settings is sent; other telegrams, error answers included,
// are let go. The link is lost when no scan comes for a second, or the
// connection drops.
#include <string>

#include "os/tcp_client.h"
#include "scanner/cola_framer.h"
#include "scanner/lmd_scandata.h"
#include "scanner/scanner_link.h"

class ColaLink : public ScannerLink, private ColaTelegramSink {
 public:
  ColaLink(std::string host, int port, LinkHooks hooks);
  ~ColaLink() override { close(); }

  bool open(int64_t nowMs, int stopFd, std::string& why) override;
  int fd() const override { return client_.fd(); }
  int64_t deadlineMs() const override;
  std::optional<std::string> step(int64_t nowMs, short revents) override;
  void stopOutputAndClose() override;
  void close() override;
  LinkDiscards discards() const override { return framer_.discards(); }

 private:
  enum class Phase { AskEvents, Events, Polling };

  void onTelegram(std::string_view text) override;
  bool send(std::string_view text);
  void poll(int64_t nowMs);

  std::string host_;
  int port_;
  LinkHooks hooks_;
  TcpClient client_;
  ColaFramer framer_;
  LmdScan scan_;
  StationScan station_{};

  Phase phase_ = Phase::AskEvents;
  int64_t nowMs_ = 0;
  int64_t silenceMs_ = 0;   // lost when this passes without a scan
  int64_t nextPollMs_ = 0;  // polling: when to ask again
  bool pollPending_ = false;
  bool eventsAnswered_ = false;
  bool stopAnswered_ = false;
  std::string refusal_;  // an error answer to what the link asked
  bool scanSeen_ = false;
  bool counterSeen_ = false;
  uint32_t lastCounter_ = 0;
  std::string lost_;
};
