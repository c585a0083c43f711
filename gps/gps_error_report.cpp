#include "gps/gps_error_report.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "os/console_print.h"

namespace {

constexpr const char* kProgramTitle = "GPS";

// strerror_r comes in two forms; either way the result is the text.
[[maybe_unused]] const char* errorText(int result, const char* buffer) {
  return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* errorText(const char* result, const char*) {
  return result;
}

std::string usageText() {
  const char* p = kProgramTitle;
  char text[1200];
  std::snprintf(text, sizeof text,
                "%s port [speed] [DisplayMode] [Separator] [Echo] [logfilename]\n"
                "        port ::= com1 | com2 | com3 | com4 | com5 | com6\n"
                "        speed::= 300 | 4800 | 9600 | 19200 | 38400 | 57600 | 115200 | 230400\n"
                "                                     ^^^^^\n"
                "        DisplayMode::= ascii | hex | decimal\n"
                "                       ^^^^^\n"
                "        Separator::= empty | space | newline | tab\n"
                "                     ^^^^^\n"
                "        Echo::= no | yes\n"
                "                ^^\n"
                "        logfilename::= <anyname> (if not provided no log is written)\n\n"
                "Example: %s com1 115200 hex space no log.txt\n"
                "    open the terminal on port com1 with 115200 bit/s, print hex code of\n"
                "    incoming characters, seperate them by space, no local echo, log to log.txt\n"
                "Example: %s com2 19200 decimal tab yes\n"
                "    open the terminal on port com2 with 19200 bit/s, print decimal code\n"
                "    of incoming characters, seperate them by tabs, do local echo, no logfile\n",
                p, p, p);
  return text;
}

}  // namespace

void printCodedErrorText(const char* message, int code, const char* text) {
  // One write, so that other threads' lines cannot land between the two.
  consolePrintf("%s: (%d) %s\n\n%s", message, code, text, usageText().c_str());
}

void printCodedError(const char* message, int error) {
  char buffer[256] = "";
  printCodedErrorText(message, error, errorText(strerror_r(error, buffer, sizeof buffer), buffer));
}

void printLastError(const char* message) {
  const int error = errno;
  printCodedError(message, error);
}
