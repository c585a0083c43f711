// The status console as several threads share it: a block (clear and lines)
// is never split by another thread's line, and the latest plain lines come
// back under every block instead of being wiped by its clear.
#include "os/console_print.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {
const std::string kClear = "\x1b[H\x1b[2J";

// Pushes earlier tests' lines out of the console's kept lines.
void freshConsole() {
  for (int i = 0; i < kConsoleKeptLines; ++i) consolePrintf("\n");
}
}  // namespace

TEST(ConsoleBlock, ShowsTheLatestPlainLinesUnderTheBlock) {
  freshConsole();
  testing::internal::CaptureStdout();
  for (int i = 1; i <= 10; ++i) consolePrintf("linea %d\n", i);
  consolePrintf("sin fin");
  consoleBlock("bloque\n");
  consoleBlock("distancia 5 ");
  const std::string out = testing::internal::GetCapturedStdout();
  // Eight lines are kept: the last seven whole lines and the unfinished one.
  std::string kept;
  for (int i = 4; i <= 10; ++i) kept += "linea " + std::to_string(i) + "\n";
  kept += "sin fin";
  const std::string first = kClear + "bloque\n" + kept;
  const std::string second = kClear + "distancia 5 \n" + kept;
  EXPECT_EQ(out.substr(out.size() - first.size() - second.size()), first + second);
}

TEST(ConsoleBlock, AnotherThreadsLineNeverLandsInsideABlock) {
  freshConsole();
  testing::internal::CaptureStdout();
  std::thread lines([] {
    for (int i = 0; i < 2000; ++i) consolePrintf("linea %d\n", i);
  });
  for (int k = 0; k < 300; ++k) {
    std::string block;
    appendf(block, "bloque %d\nangulo %d\nfin %d\n", k, k, k);
    consoleBlock(block);
  }
  lines.join();
  const std::string out = testing::internal::GetCapturedStdout();
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
