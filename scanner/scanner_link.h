#pragma once
// One connection to a scanner as torva-laser's loop drives it: the link says
// which descriptor to wait on and until when; the loop tells it when that
// descriptor is ready or the time has come. Scans go to onScan, console lines
// to say. Lost: the link is down and why; the loop closes it and tries again
// a second later.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "scanner/link_discards.h"
#include "scanner/station_scan.h"

// A steady clock in milliseconds.
int64_t steadyMs();

struct LinkHooks {
  std::function<void(const StationScan&)> onScan;
  std::function<void(const std::string&)> say;
};

class ScannerLink {
 public:
  virtual ~ScannerLink() = default;
  // Opens the link and starts setting the scanner up; false with why set
  // when the link cannot be opened. stopFd (a descriptor that becomes
  // readable when the program must end) cuts a slow connection short.
  virtual bool open(int64_t nowMs, int stopFd, std::string& why) = 0;
  virtual int fd() const = 0;
  // When step must be called even if nothing arrives.
  virtual int64_t deadlineMs() const = 0;
  // revents: what poll said of fd() (0 when only the deadline passed). A
  // reason when the link is lost.
  virtual std::optional<std::string> step(int64_t nowMs, short revents) = 0;
  // Asks the scanner to stop its output, waiting at most a moment for it to
  // say so; then closes the link.
  virtual void stopOutputAndClose() = 0;
  virtual void close() = 0;
  // Everything thrown away since the program started.
  virtual LinkDiscards discards() const = 0;
};
