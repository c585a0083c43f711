#include "gamepad/console_lines.h"

#include <utility>

#include "os/console_print.h"

ConsoleLines::ConsoleLines() : printer_([this] { printLoop(); }) {}

ConsoleLines::~ConsoleLines() {
  {
    std::lock_guard guard(mutex_);
    ending_ = true;
  }
  ready_.notify_one();
  printer_.join();
}

void ConsoleLines::print(std::string text) {
  {
    std::lock_guard guard(mutex_);
    if (waiting_.size() >= kMaxWaiting) return;
    waiting_.push_back(std::move(text));
  }
  ready_.notify_one();
}

void ConsoleLines::printLoop() {
  std::unique_lock lock(mutex_);
  while (true) {
    ready_.wait(lock, [this] { return ending_ || !waiting_.empty(); });
    if (waiting_.empty()) return;  // ending, nothing left
    std::string text = std::move(waiting_.front());
    waiting_.pop_front();
    // The console is written with the queue open to the reader.
    lock.unlock();
    consolePrintf("%s", text.c_str());
    lock.lock();
  }
}
