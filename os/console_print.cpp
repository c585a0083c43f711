#include "os/console_print.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {
std::mutex currentMutex;

std::shared_ptr<Console>& current() {
  static std::shared_ptr<Console> console;
  return console;
}

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
}  // namespace

std::shared_ptr<Console> stationConsole() {
  std::lock_guard lock(currentMutex);
  if (!current()) current() = std::make_shared<Console>();
  return current();
}

std::shared_ptr<Console> replaceStationConsole(std::shared_ptr<Console> console) {
  std::lock_guard lock(currentMutex);
  current().swap(console);
  return console;
}

void finishConsoleForExit(std::chrono::milliseconds budget) {
  std::shared_ptr<Console> console;
  {
    std::lock_guard lock(currentMutex);
    console = current();
  }
  if (console) console->finishForExit(budget);
}

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
  stationConsole()->print(text);
}

void consoleBlock(std::string_view block, std::string_view content) {
  stationConsole()->block(block, content);
}
