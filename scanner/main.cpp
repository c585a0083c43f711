// torva-laser: reads a SICK laser scanner (the PLS / LMS 2xx serial protocol,
// or CoLa-A over TCP) and keeps the station's scan file up to date, one whole
// scan at a time, reconnecting by itself, until SIGINT or SIGTERM.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "scanner/cola_link.h"
#include "scanner/laser_options.h"
#include "scanner/lms_link.h"
#include "scanner/scan_file_writer.h"

namespace {
constexpr int64_t kRetryMs = 1000;
// A failure that keeps coming the same way is told again once a minute.
constexpr int64_t kRepeatMs = 60 * 1000;
// At most 50 files a second: every scan of the scanners up to 50 Hz (an LMS
// 2xx at 0.5 degree sends 37.5), every other one of faster ones. The station
// reads ten a second, and each replaced file costs the disk a write.
constexpr int64_t kMinWriteGapMs = 20;

void say(const std::string& line) {
  std::printf("torva-laser: %s\n", line.c_str());
  std::fflush(stdout);
}

// Signals are read from a descriptor beside the scanner's, in the one loop.
int stopSignalsFd() {
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  return ::signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK);
}

// The console lines about the link's ups and downs: each loss of a link that
// brought scans, each attempt that fails (to open, or to set the scanner up)
// differently from the one before, and a reminder once a minute while it
// keeps failing the same way.
class LinkNotes {
 public:
  void lost(const std::string& why) {
    say(why + "; se reconecta cada segundo");
    last_.clear();
    attempts_ = 0;
  }
  void failed(const std::string& why, int64_t nowMs) {
    ++attempts_;
    if (why == last_ && nowMs - toldMs_ < kRepeatMs) return;
    say(why + (attempts_ > 1 ? " (intento " + std::to_string(attempts_) + ")"
                             : "; se reintenta cada segundo"));
    last_ = why;
    toldMs_ = nowMs;
  }

 private:
  std::string last_;
  int64_t toldMs_ = 0;
  int attempts_ = 0;
};
}  // namespace

int main(int argc, char** argv) {
  LaserOptions options;
  std::string error;
  switch (parseLaserOptions(argc, argv, options, error)) {
    case LaserCommand::Help:
      std::fputs(laserUsage(), stdout);
      return 0;
    case LaserCommand::Version:
      std::fputs(laserVersionText(), stdout);
      return 0;
    case LaserCommand::Bad:
      std::fprintf(stderr, "torva-laser: %s\n%s", error.c_str(), laserUsage());
      return 2;
    case LaserCommand::Run:
      break;
  }
  const int signals = stopSignalsFd();
  if (signals < 0) {
    std::perror("torva-laser: signalfd");
    return 1;
  }

  ScanFileWriter file(options.output);
  bool writeFailing = false;
  int64_t writtenMs = -kMinWriteGapMs;
  bool scansCame = false;  // since the link was last opened
  LinkHooks hooks;
  hooks.say = say;
  hooks.onScan = [&](const StationScan& scan) {
    scansCame = true;
    const int64_t now = steadyMs();
    if (now - writtenMs < kMinWriteGapMs) return;
    writtenMs = now;
    std::string why;
    const bool ok = file.write(scan, why);
    // One line when writing starts failing and one when it works again.
    if (ok == writeFailing) {
      say(ok ? "de nuevo se escribe " + file.path()
             : "no se puede escribir " + file.path() + ": " + why);
      writeFailing = !ok;
    }
  };
  std::unique_ptr<ScannerLink> link;
  if (options.protocol == LaserOptions::Protocol::Lms) {
    link = std::make_unique<LmsLink>(options.device, options.baud, hooks);
    say("escaner LMS en " + options.device + " a " + std::to_string(options.baud) +
        " baudios; barridos en " + options.output);
  } else {
    link = std::make_unique<ColaLink>(options.host, options.port, hooks);
    say("escaner CoLa-A en " + options.host + ":" + std::to_string(options.port) +
        "; barridos en " + options.output);
  }

  LinkNotes notes;
  DiscardReport discards;
  bool open = false;
  int64_t retryMs = steadyMs();
  for (;;) {
    int64_t now = steadyMs();
    if (!open && now >= retryMs) {
      std::string why;
      open = link->open(now, signals, why);
      scansCame = false;
      if (!open) {
        notes.failed(why, now);
        retryMs = now + kRetryMs;
      }
      now = steadyMs();
    }
    const int64_t until = open ? link->deadlineMs() : retryMs;
    const int wait = static_cast<int>(std::clamp<int64_t>(until - now, 0, kRetryMs));
    pollfd fds[2] = {{signals, POLLIN, 0}, {open ? link->fd() : -1, POLLIN, 0}};
    if (::poll(fds, 2, wait) < 0 && errno != EINTR) {
      std::perror("torva-laser: poll");
      return 1;
    }
    if (fds[0].revents != 0) {
      signalfd_siginfo info;
      [[maybe_unused]] auto n = ::read(signals, &info, sizeof info);
      if (open) link->stopOutputAndClose();
      say("terminado");
      return 0;
    }
    if (open) {
      now = steadyMs();
      if (auto lost = link->step(now, fds[1].revents)) {
        link->close();
        open = false;
        if (scansCame) {
          notes.lost(*lost);
        } else {
          notes.failed(*lost, now);
        }
        retryMs = now + kRetryMs;
      }
    }
    if (auto line = discards.due(link->discards(), steadyMs())) say(*line);
  }
}
