#pragma once
// Collects what the process writes to standard output while it lives, so a
// test can wait for console lines printed by other threads.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

class StdoutCollector {
 public:
  StdoutCollector() {
    std::fflush(stdout);
    if (::pipe2(pipe_, O_CLOEXEC) != 0) return;
    saved_ = ::dup(STDOUT_FILENO);
    ::dup2(pipe_[1], STDOUT_FILENO);
    ::close(pipe_[1]);
    reader_ = std::thread([this] {
      char buffer[4096];
      for (;;) {
        const ssize_t n = ::read(pipe_[0], buffer, sizeof buffer);
        if (n <= 0) break;
        std::lock_guard lock(mutex_);
        text_.append(buffer, static_cast<std::size_t>(n));
      }
    });
  }
  ~StdoutCollector() { stop(); }
  StdoutCollector(const StdoutCollector&) = delete;
  StdoutCollector& operator=(const StdoutCollector&) = delete;

  // Puts standard output back; the text stays readable.
  void stop() {
    if (saved_ < 0) return;
    std::fflush(stdout);
    ::dup2(saved_, STDOUT_FILENO);  // closes the pipe's write end
    ::close(saved_);
    saved_ = -1;
    reader_.join();
    ::close(pipe_[0]);
  }

  std::string text() const {
    std::lock_guard lock(mutex_);
    return text_;
  }

 private:
  int pipe_[2] = {-1, -1};
  int saved_ = -1;
  std::thread reader_;
  mutable std::mutex mutex_;
  std::string text_;
};
