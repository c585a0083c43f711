#include "os/console_output.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

namespace {
using Clock = std::chrono::steady_clock;

constexpr std::string_view kClearScreen = "\x1b[H\x1b[2J";

std::string_view localStamp() {
  thread_local char text[32];
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  const int n = std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03ld ", local.tm_hour,
                              local.tm_min, local.tm_sec, now.tv_nsec / 1000000);
  return {text, static_cast<std::size_t>(n > 0 ? n : 0)};
}

long countLines(std::string_view text) {
  long n = 0;
  for (char c : text) n += c == '\n';
  return n > 0 ? n : 1;
}

// What a log keeps of a character: newlines, visible text; a tab becomes a
// space and every other control byte (bells, escapes, returns) goes.
bool logKeeps(char& c) {
  if (c == '\t') c = ' ';
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x20 && u != 0x7f;
}

// Writes all of text, waiting as long as the reader needs; false when the
// output refused it for good (a closed pipe, a bad descriptor).
bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n > 0) {
      text.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      // Someone else made the shared description non-blocking.
      pollfd p{fd, POLLOUT, 0};
      ::poll(&p, 1, 100);
      continue;
    }
    return false;
  }
  return true;
}

// Writes text only while the output takes it at once, until the deadline.
// Pieces of at most a pipe's atomic size, so that a writable pipe takes each
// whole without blocking.
bool writeWithin(int fd, std::string_view text, Clock::time_point deadline) {
  while (!text.empty()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLOUT, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (p.revents & POLLOUT) == 0) return false;
    const std::size_t piece = std::min<std::size_t>(text.size(), 4096);
    const ssize_t n = ::write(fd, text.data(), piece);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}
}  // namespace

struct Console::State {
  int fd = 1;
  ConsoleStyle style = ConsoleStyle::Log;
  std::size_t capacity = 0;
  std::string_view (*stamp)() = localStamp;

  std::mutex mutex;
  std::condition_variable work;     // the writer waits for text
  std::condition_variable written;  // drain() waits for the writer
  std::deque<std::string> queue;
  std::size_t bytes = 0;  // queued or being written
  std::uint64_t queued = 0;
  std::uint64_t done = 0;  // written, or given up with the output
  long dropped = 0;        // not yet reported
  long droppedTotal = 0;
  bool stopping = false;
  bool exiting = false;
  std::atomic<bool> broken{false};  // the output refused text for good
  bool writerEnded = false;
  std::condition_variable ended;
  // Set while the writer writes a batch, so the process's end knows whether
  // the writer is stuck on the reader.
  bool writing = false;

  // Terminal: the latest plain lines (the last may be unfinished).
  std::string keptLines;
  // Log: a line is open (stamped, not ended), and whose it is.
  bool midLine = false;
  std::thread::id lineOwner;
  // Log: the content of each thread's last block shown.
  std::unordered_map<std::thread::id, std::size_t> lastBlock;

  std::string notice(long lines);
  void queueNotice(std::string said);
  void keep(std::string_view text);
  bool enqueue(std::string text, long lines);
  void writerLoop();
};

std::string Console::State::notice(long lines) {
  char text[64];
  std::snprintf(text, sizeof text, "consola: %ld lineas perdidas\n", lines);
  if (style == ConsoleStyle::Terminal) return text;
  std::string out;
  if (midLine) out += '\n';
  midLine = false;
  out.append(stamp());
  out += text;
  return out;
}

// Queues the notice (made by notice()) of the lines lost so far.
void Console::State::queueNotice(std::string said) {
  if (style == ConsoleStyle::Terminal) keep(said);
  bytes += said.size();
  queue.push_back(std::move(said));
  ++queued;
  dropped = 0;
}

// Adds the text to the kept lines and drops all but the last
// kConsoleKeptLines of them (an unfinished last line counts as one).
void Console::State::keep(std::string_view text) {
  keptLines.append(text);
  std::size_t at = keptLines.size();
  if (at > 0 && keptLines[at - 1] == '\n') --at;  // the last line's own end
  int lines = 1;
  while (at-- > 0) {
    if (keptLines[at] == '\n' && ++lines > kConsoleKeptLines) {
      keptLines.erase(0, at + 1);
      return;
    }
  }
}

// Called with the mutex held. False when the text was dropped.
bool Console::State::enqueue(std::string text, long lines) {
  if (exiting || broken) return false;
  if (dropped > 0) {
    const bool wasMidLine = midLine;
    std::string said = notice(dropped);
    if (bytes + said.size() + text.size() > capacity) {
      midLine = wasMidLine;
      dropped += lines;
      droppedTotal += lines;
      return false;
    }
    queueNotice(std::move(said));
    // The notice ended any open line already.
    if (style == ConsoleStyle::Log && !text.empty() && text.front() == '\n') text.erase(0, 1);
  }
  if (bytes + text.size() > capacity) {
    dropped += lines;
    droppedTotal += lines;
    return false;
  }
  bytes += text.size();
  queue.push_back(std::move(text));
  ++queued;
  work.notify_one();
  return true;
}

void Console::State::writerLoop() {
  // A reader that went away is a failed write here, never a signal that ends
  // the process.
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
  for (;;) {
    std::deque<std::string> batch;
    {
      std::unique_lock guard(mutex);
      work.wait(guard, [this] { return !queue.empty() || stopping || exiting; });
      if (exiting || queue.empty()) break;
      batch.swap(queue);
      writing = true;
    }
    std::size_t size = 0;
    for (const std::string& text : batch) {
      size += text.size();
      if (!broken && !writeAll(fd, text)) broken = true;
    }
    std::lock_guard guard(mutex);
    writing = false;
    bytes -= size;
    done += batch.size();
    if (dropped > 0 && !exiting && !broken) {
      // Output flows again: say what was lost.
      queueNotice(notice(dropped));
    }
    written.notify_all();
  }
  std::lock_guard guard(mutex);
  writerEnded = true;
  ended.notify_all();
  written.notify_all();
}

namespace {
// The writer thread of a console; it keeps the state alive while it runs, so
// a console may go while its writer is still stuck on a reader.
std::thread startWriter(const std::shared_ptr<Console::State>& state) {
  return std::thread([state] { state->writerLoop(); });
}
}  // namespace

Console::Console(ConsoleOptions options) : state_(std::make_shared<State>()) {
  State& s = *state_;
  s.fd = options.fd;
  s.style = options.style.value_or(::isatty(options.fd) != 0 ? ConsoleStyle::Terminal
                                                             : ConsoleStyle::Log);
  s.capacity = options.capacity;
  if (options.stampForTests != nullptr) s.stamp = options.stampForTests;
  startWriter(state_).detach();
}

Console::~Console() {
  std::unique_lock guard(state_->mutex);
  state_->stopping = true;
  state_->work.notify_all();
  state_->ended.wait_for(guard, std::chrono::seconds(1), [this] { return state_->writerEnded; });
}

ConsoleStyle Console::style() const {
  return state_->style;
}

void Console::print(std::string_view text) {
  if (text.empty()) return;
  State& s = *state_;
  std::lock_guard guard(s.mutex);
  if (s.style == ConsoleStyle::Terminal) {
    if (s.enqueue(std::string(text), countLines(text))) s.keep(text);
    return;
  }
  // A log line belongs to one thread: another thread's text ends it first.
  const std::thread::id self = std::this_thread::get_id();
  bool midLine = s.midLine;
  std::string out;
  if (midLine && s.lineOwner != self) {
    out += '\n';
    midLine = false;
  }
  for (char c : text) {
    if (c == '\n') {
      if (midLine) out += '\n';  // an empty line says nothing in a log
      midLine = false;
      continue;
    }
    if (!logKeeps(c)) continue;
    if (!midLine) out.append(s.stamp());
    midLine = true;
    out += c;
  }
  if (out.empty()) return;
  if (s.enqueue(std::move(out), countLines(text))) {
    s.midLine = midLine;
    if (midLine) s.lineOwner = self;
  }
}

void Console::block(std::string_view text, std::string_view content) {
  State& s = *state_;
  std::lock_guard guard(s.mutex);
  if (s.style == ConsoleStyle::Terminal) {
    std::string out(kClearScreen);
    out.append(text);
    if (!s.keptLines.empty() && !text.empty() && text.back() != '\n') out += '\n';
    out.append(s.keptLines);
    s.enqueue(std::move(out), countLines(text));
    return;
  }
  const std::thread::id self = std::this_thread::get_id();
  const std::size_t key = std::hash<std::string_view>{}(content.empty() ? text : content);
  const auto last = s.lastBlock.find(self);
  if (last != s.lastBlock.end() && last->second == key) return;
  std::string out;
  if (s.midLine) out += '\n';
  const std::string_view stamp = s.stamp();
  std::string line;
  const auto endLine = [&] {
    if (!line.empty()) {
      out.append(stamp);
      out.append(line);
      out += '\n';
    }
    line.clear();
  };
  for (char c : text) {
    if (c == '\n') {
      endLine();
    } else if (logKeeps(c)) {
      line += c;
    }
  }
  endLine();
  if (s.enqueue(std::move(out), countLines(text))) {
    s.midLine = false;
    s.lastBlock[self] = key;
  }
}

void Console::control(std::string_view bytes) {
  State& s = *state_;
  if (s.style != ConsoleStyle::Terminal || bytes.empty()) return;
  std::lock_guard guard(s.mutex);
  s.enqueue(std::string(bytes), 1);
}

bool Console::drain(std::chrono::milliseconds timeout) {
  State& s = *state_;
  std::unique_lock guard(s.mutex);
  const std::uint64_t target = s.queued;
  return s.written.wait_for(guard, timeout,
                            [&] { return s.done >= target || s.writerEnded || s.broken; });
}

void Console::finishForExit(std::chrono::milliseconds budget) {
  State& s = *state_;
  const Clock::time_point deadline = Clock::now() + budget;
  std::deque<std::string> rest;
  {
    std::unique_lock guard(s.mutex);
    if (s.exiting) return;
    if (s.dropped > 0) s.queue.push_back(s.notice(s.dropped));
    s.exiting = true;
    rest.swap(s.queue);
    s.work.notify_all();
    // A writer still busy at the deadline is stuck on its reader: the rest
    // is dropped rather than waited for.
    if (!s.written.wait_until(guard, deadline, [&s] { return !s.writing; })) return;
  }
  for (const std::string& text : rest) {
    if (s.broken || !writeWithin(s.fd, text, deadline)) break;
  }
}

long Console::droppedLines() const {
  std::lock_guard guard(state_->mutex);
  return state_->droppedTotal;
}
