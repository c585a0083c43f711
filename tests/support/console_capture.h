#pragma once
// A console of the test's own: while it lives, what any thread of the process
// prints on the station's console goes to an in-memory file that the test
// reads, and no line of an earlier test comes back under this test's blocks.
// A terminal's console unless told otherwise.
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include "os/console_print.h"

class ConsoleCapture {
 public:
  explicit ConsoleCapture(ConsoleStyle style = ConsoleStyle::Terminal,
                          std::size_t capacity = 256 * 1024) {
    fd_ = ::memfd_create("consola", MFD_CLOEXEC);
    ConsoleOptions options;
    options.fd = fd_;
    options.style = style;
    options.capacity = capacity;
    console_ = std::make_shared<Console>(options);
    previous_ = replaceStationConsole(console_);
  }
  ~ConsoleCapture() {
    stop();
    console_.reset();
    if (fd_ >= 0) ::close(fd_);
  }

  // Puts the earlier console back; what was captured stays readable.
  void stop() {
    if (stopped_) return;
    stopped_ = true;
    console_->drain(std::chrono::seconds(10));
    replaceStationConsole(previous_);
  }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  // Everything printed so far, once the console has written it.
  std::string text() const {
    console_->drain(std::chrono::seconds(10));
    std::string out;
    char buffer[8192];
    for (off_t at = 0;;) {
      const ssize_t n = ::pread(fd_, buffer, sizeof buffer, at);
      if (n <= 0) break;
      out.append(buffer, static_cast<std::size_t>(n));
      at += n;
    }
    return out;
  }

  Console& console() { return *console_; }

 private:
  int fd_ = -1;
  bool stopped_ = false;
  std::shared_ptr<Console> console_;
  std::shared_ptr<Console> previous_;
};

// A console whose reader has stopped reading (a paused pager, a stalled ssh
// session): the station's console on a pipe that is full before the first
// line, until release() reads it all again.
class StalledConsole {
 public:
  explicit StalledConsole(ConsoleStyle style = ConsoleStyle::Log) {
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    read_ = fds[0];
    write_ = fds[1];
    ::fcntl(write_, F_SETPIPE_SZ, 4096);
    ::fcntl(write_, F_SETFL, O_NONBLOCK);
    const std::string filler(4096, '.');
    while (::write(write_, filler.data(), filler.size()) > 0) {
    }
    ::fcntl(write_, F_SETFL, 0);
    ConsoleOptions options;
    options.fd = write_;
    options.style = style;
    console_ = std::make_shared<Console>(options);
    previous_ = replaceStationConsole(console_);
  }
  ~StalledConsole() {
    release();
    replaceStationConsole(previous_);
    console_.reset();
    if (read_ >= 0) ::close(read_);
    if (write_ >= 0) ::close(write_);
  }
  StalledConsole(const StalledConsole&) = delete;
  StalledConsole& operator=(const StalledConsole&) = delete;

  // The reader reads again: what the console wrote, once it has written all
  // it holds (the filler left out).
  std::string release() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
      readSome(10);
      if (console_->drain(std::chrono::milliseconds(0))) break;
    }
    while (readSome(0)) {
    }
    const std::size_t text = text_.find_first_not_of('.');
    return text == std::string::npos ? std::string() : text_.substr(text);
  }

 private:
  bool readSome(int ms) {
    pollfd p{read_, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return false;
    char buffer[8192];
    const ssize_t n = ::read(read_, buffer, sizeof buffer);
    if (n <= 0) return false;
    text_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  int read_ = -1;
  int write_ = -1;
  std::string text_;
  std::shared_ptr<Console> console_;
  std::shared_ptr<Console> previous_;
};
