#include "platform/console_print.h"

#include <cstdarg>
#include <cstdio>

void consolePrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}

void consoleClear() {
  std::fputs("\x1b[H\x1b[2J", stdout);
  std::fflush(stdout);
}
