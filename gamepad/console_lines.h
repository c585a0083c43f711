#pragma once
// Console lines printed by a thread of their own. Printing waits on the
// terminal (a slow one, or one stopped with Ctrl+S); a thread that must keep
// its pace hands its lines over here instead and never waits for them.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

class ConsoleLines {
 public:
  // At most this many lines wait; more are dropped while the console is stuck.
  static constexpr std::size_t kMaxWaiting = 16;

  ConsoleLines();
  // Prints the lines still waiting, then ends the printing thread.
  ~ConsoleLines();
  ConsoleLines(const ConsoleLines&) = delete;
  ConsoleLines& operator=(const ConsoleLines&) = delete;

  // Queues the text for the console, in order.
  void print(std::string text);

 private:
  void printLoop();

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::string> waiting_;
  bool ending_ = false;
  std::thread printer_;
};
