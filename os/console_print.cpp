#include "os/console_print.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {
std::mutex consoleMutex;
// The latest lines printed outside blocks (the last one may be unfinished).
std::string keptLines;

void vappendf(std::string& out, const char* format, va_list args) {
  char small[512];
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(small, sizeof small, format, args);
  if (n < 0) {
    va_end(again);
    return;
  }
  if (static_cast<std::size_t>(n) < sizeof small) {
    out.append(small, static_cast<std::size_t>(n));
  } else {
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out.data() + at, static_cast<std::size_t>(n) + 1, format, again);
    out.resize(at + static_cast<std::size_t>(n));
  }
  va_end(again);
}

// Adds the text to the kept lines and drops all but the last
// kConsoleKeptLines of them (an unfinished last line counts as one).
void keep(std::string_view text) {
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

void writeAll(std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}
}  // namespace

void appendf(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vappendf(out, format, args);
  va_end(args);
}

void consolePrintf(const char* format, ...) {
  std::string text;
  va_list args;
  va_start(args, format);
  vappendf(text, format, args);
  va_end(args);
  std::lock_guard guard(consoleMutex);
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
  keep(text);
}

void consoleBlock(std::string_view block) {
  std::string out = "\x1b[H\x1b[2J";
  out.append(block);
  std::lock_guard guard(consoleMutex);
  if (!keptLines.empty() && !block.empty() && block.back() != '\n') out += '\n';
  out.append(keptLines);
  // Whatever other code left in the stream's buffer goes first, then the
  // block as one write, past the stream.
  flockfile(stdout);
  std::fflush(stdout);
  writeAll(out);
  funlockfile(stdout);
}
