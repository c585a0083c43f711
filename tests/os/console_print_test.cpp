// The status console as several threads share it. On a terminal: a block
// (clear and lines) is never split by another thread's line, and the latest
// plain lines come back under every block. In a log: stamped lines, each once,
// no control bytes. Everywhere: a reader that does not read never holds up the
// printing threads, and what was lost is said once output flows again.
#include "os/console_print.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/console_capture.h"
#include "tests/support/count_of.h"
#include "tests/support/poll_until.h"
#include "tests/support/unique_fd.h"

using namespace std::chrono_literals;

namespace {
const std::string kClear = "\x1b[H\x1b[2J";

std::string_view fixedStamp() {
  return "12:34:56.789 ";
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A pipe whose reader the test controls: nothing is read until drain().
int pipeEnd(int which) {
  static thread_local int fds[2] = {-1, -1};
  if (which == 0 && ::pipe2(fds, O_CLOEXEC) == 0) {
    ::fcntl(fds[1], F_SETPIPE_SZ, 4096);  // the smallest pipe: full at once
  }
  return fds[which];
}

struct StalledReader {
  UniqueFd read{pipeEnd(0)};
  UniqueFd write{pipeEnd(1)};
  // Reads what is there now.
  std::string drain() {
    std::string out;
    char buffer[4096];
    const int flags = ::fcntl(read.get(), F_GETFL);
    ::fcntl(read.get(), F_SETFL, flags | O_NONBLOCK);
    for (;;) {
      const ssize_t n = ::read(read.get(), buffer, sizeof buffer);
      if (n <= 0) break;
      out.append(buffer, static_cast<std::size_t>(n));
    }
    ::fcntl(read.get(), F_SETFL, flags);
    return out;
  }
};
}  // namespace

TEST(ConsoleBlock, ShowsTheLatestPlainLinesUnderTheBlock) {
  ConsoleCapture capture;
  for (int i = 1; i <= 10; ++i) consolePrintf("linea %d\n", i);
  consolePrintf("sin fin");
  consoleBlock("bloque\n");
  consoleBlock("distancia 5 ");
  const std::string out = capture.text();
  // Eight lines are kept: the last seven whole lines and the unfinished one.
  std::string kept;
  for (int i = 4; i <= 10; ++i) kept += "linea " + std::to_string(i) + "\n";
  kept += "sin fin";
  const std::string first = kClear + "bloque\n" + kept;
  const std::string second = kClear + "distancia 5 \n" + kept;
  EXPECT_EQ(out.substr(out.size() - first.size() - second.size()), first + second);
}

TEST(ConsoleBlock, AnotherThreadsLineNeverLandsInsideABlock) {
  ConsoleCapture capture(ConsoleStyle::Terminal, 4 << 20);
  std::thread lines([] {
    for (int i = 0; i < 2000; ++i) consolePrintf("linea %d\n", i);
  });
  for (int k = 0; k < 300; ++k) {
    std::string block;
    appendf(block, "bloque %d\nangulo %d\nfin %d\n", k, k, k);
    consoleBlock(block);
  }
  lines.join();
  const std::string out = capture.text();
  int blocks = 0;
  for (auto at = out.find(kClear); at != std::string::npos; at = out.find(kClear, at + 1)) {
    const std::string want = "bloque " + std::to_string(blocks) + "\nangulo " +
                             std::to_string(blocks) + "\nfin " + std::to_string(blocks) + "\n";
    ASSERT_EQ(out.compare(at + kClear.size(), want.size(), want), 0)
        << out.substr(at, kClear.size() + want.size() + 20);
    ++blocks;
  }
  EXPECT_EQ(blocks, 300);
  EXPECT_NE(out.find("linea 1999\n"), std::string::npos);
}

// What the station prints, as a log keeps it: the bells of the worker's lines
// and the empty lines go, every line is stamped, a block is its lines once.
TEST(ConsoleLog, StampsEachLineOnceWithNoControlBytes) {
  StalledReader pipe;
  ConsoleOptions options;
  options.fd = pipe.write.get();
  options.stampForTests = fixedStamp;
  Console log(options);
  EXPECT_EQ(log.style(), ConsoleStyle::Log);  // a pipe is not a terminal
  log.print("\a->1\n");
  log.print("run");
  log.print("hola");
  log.print("[0.0] [0.0]\n\n");
  log.print("\a\n\n1234\n");
  log.print("a\tb\x1b[2J\r\n");
  log.block("angulo actual 3\ndelta phi 2\n");
  log.block("angulo actual 3\ndelta phi 2\n");  // the same content: not again
  log.block("distancia 10 ");
  ASSERT_TRUE(log.drain(5s));
  const std::vector<std::string> want = {
      "12:34:56.789 ->1",           "12:34:56.789 runhola[0.0] [0.0]", "12:34:56.789 1234",
      "12:34:56.789 a b[2J",        "12:34:56.789 angulo actual 3",    "12:34:56.789 delta phi 2",
      "12:34:56.789 distancia 10 ",
  };
  EXPECT_EQ(linesOf(pipe.drain()), want);
}

TEST(ConsoleLog, ABlockComesAgainOnlyWhenItsContentChanges) {
  ConsoleCapture capture(ConsoleStyle::Log);
  // The GPS block: its counters change with every sentence, the fix does not.
  const auto gps = [](const char* fix, int count) {
    std::string text = fix;
    const std::size_t content = text.size();
    appendf(text, "%d iteraciones\n", count);
    consoleBlock(text, std::string_view(text).substr(0, content));
  };
  gps("Latitud: 33 g 27.0 m S\n", 1);
  gps("Latitud: 33 g 27.0 m S\n", 2);
  gps("Latitud: 33 g 27.1 m S\n", 3);
  // Another thread's block does not count as a change of this one.
  std::thread([] { consoleBlock("distancia 1 "); }).join();
  gps("Latitud: 33 g 27.1 m S\n", 4);
  const std::string out = capture.text();
  EXPECT_EQ(countOf(out, "Latitud: 33 g 27.0 m S\n"), 1) << out;
  EXPECT_EQ(countOf(out, "Latitud: 33 g 27.1 m S\n"), 1) << out;
  EXPECT_EQ(countOf(out, "iteraciones"), 2) << out;
  // Local time, to the millisecond, at the start of every line.
  for (const std::string& line : linesOf(out)) EXPECT_TRUE(isStampedLogLine(line)) << line;
}

// A line left open by one thread is ended before another thread's text.
TEST(ConsoleLog, AnotherThreadsTextStartsALineOfItsOwn) {
  ConsoleCapture capture(ConsoleStyle::Log);
  consolePrintf("distancia 3 ");
  std::thread([] { consolePrintf("Robot conectado\n"); }).join();
  consolePrintf("fin\n");
  const std::vector<std::string> lines = linesOf(capture.text());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find("distancia 3 "), std::string::npos);
  EXPECT_NE(lines[1].find("Robot conectado"), std::string::npos);
  EXPECT_NE(lines[2].find("fin"), std::string::npos);
}

// Nobody reads: printing never waits, the queue keeps what fits and counts the
// rest; when the reader reads again, the loss is said once and lines flow.
TEST(ConsoleQueue, AReaderThatDoesNotReadNeverHoldsUpThePrinters) {
  for (const ConsoleStyle style : {ConsoleStyle::Terminal, ConsoleStyle::Log}) {
    SCOPED_TRACE(style == ConsoleStyle::Log ? "log" : "terminal");
    StalledReader pipe;
    ConsoleOptions options;
    options.fd = pipe.write.get();
    options.style = style;
    options.capacity = 16 * 1024;
    Console console(options);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5000; ++i) console.print("una linea de la consola que nadie lee\n");
    console.block("bloque\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "the printers were held up";
    EXPECT_GT(console.droppedLines(), 4000);

    // The reader comes back.
    std::string out;
    ASSERT_TRUE(pollUntil(
        [&] {
          out += pipe.drain();
          return out.find("lineas perdidas") != std::string::npos;
        },
        5s));
    console.print("de nuevo\n");
    ASSERT_TRUE(pollUntil(
        [&] {
          out += pipe.drain();
          return out.find("de nuevo\n") != std::string::npos;
        },
        5s));
    // Lines dropped while the writer was between writes are told in a later
    // notice: together the notices count every lost line, each lost once.
    long told = 0;
    const std::string notice = "consola: ";
    for (auto at = out.find(notice); at != std::string::npos; at = out.find(notice, at + 1)) {
      const std::string said = out.substr(at, out.find('\n', at) - at);
      ASSERT_NE(said.find(" lineas perdidas"), std::string::npos) << said;
      told += std::stol(said.substr(notice.size()));
    }
    EXPECT_EQ(told, console.droppedLines());
    EXPECT_LT(out.find("lineas perdidas"), out.find("de nuevo\n"));
    EXPECT_TRUE(pollUntil([&] { return pipe.drain(), console.drain(0ms); }, 5s));
  }
}

// The station's end: with a reader that never reads, what is queued is given
// up within the budget; with one that reads, it is all written.
TEST(ConsoleQueue, TheEndNeverWaitsOnTheReader) {
  {
    StalledReader pipe;
    ConsoleOptions options;
    options.fd = pipe.write.get();
    Console console(options);
    for (int i = 0; i < 2000; ++i) console.print("linea que no sale\n");
    const auto start = std::chrono::steady_clock::now();
    console.finishForExit(200ms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    console.print("despues del final\n");  // taken, never written
    // The stuck writer ends once its reader reads again.
    EXPECT_TRUE(pollUntil([&] { return pipe.drain(), console.drain(0ms); }, 5s));
  }
  {
    ConsoleCapture capture(ConsoleStyle::Terminal);
    for (int i = 0; i < 100; ++i) consolePrintf("linea %d\n", i);
    capture.console().finishForExit(1s);
    const std::string out = capture.text();
    EXPECT_NE(out.find("linea 99\n"), std::string::npos);
  }
}
