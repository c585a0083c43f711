#pragma once
// The status console's output: every thread hands its text to a bounded queue
// and one writer thread of the console's own puts it out. No thread that
// drives the robot, draws or reads a sensor ever waits on the console's
// reader (a paused pager, a stalled ssh session): when the queue is full, new
// lines are dropped and counted, and once output flows again one line says
// how many were lost.
//
// On a terminal the console is a screen: a block clears it and shows itself
// with the latest plain lines under it. Anywhere else (a file, a pipe) it is a
// log: plain lines, each once, each stamped with the local time, no control
// bytes, and a block only when its content changed.
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

enum class ConsoleStyle { Terminal, Log };

struct ConsoleOptions {
  int fd = 1;  // standard output
  // Unset: Terminal when fd is a terminal, else Log.
  std::optional<ConsoleStyle> style;
  std::size_t capacity = 256 * 1024;  // bytes queued and not yet written
  // A log line's stamp ("HH:MM:SS.mmm "); unset: the local time now.
  std::string_view (*stampForTests)() = nullptr;
};

// How many of the latest plain lines a block shows again on a terminal.
inline constexpr int kConsoleKeptLines = 8;

class Console {
 public:
  explicit Console(ConsoleOptions options = {});
  // Writes out what is queued (up to a second) and ends the writer; a writer
  // stuck on a reader that never reads is left behind, holding nothing of
  // the caller's.
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  ConsoleStyle style() const;

  // Text as printf made it; lines may come in pieces.
  void print(std::string_view text);

  // A block of lines that replaces the previous one: on a terminal, the
  // screen cleared, the block, then the latest plain lines, in one write. In a
  // log, its lines, unless the calling thread's previous block had the same
  // content (`content`: what counts as the block's content, when not all of
  // its text; empty: the whole text).
  void block(std::string_view text, std::string_view content = {});

  // Terminal control that is not a line (the window title): sent on a
  // terminal only, and never shown again under a block.
  void control(std::string_view bytes);

  // Waits until everything queued before the call has been written; false
  // when that did not happen within the timeout. For tests and tools.
  bool drain(std::chrono::milliseconds timeout);

  // The process is ending: what is queued is written without blocking, within
  // the budget, or dropped; nothing queued later is written.
  void finishForExit(std::chrono::milliseconds budget);

  // Lines dropped so far because the queue was full.
  long droppedLines() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};
