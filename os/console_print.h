#pragma once
// Console output shared by every thread: formatted like printf and flushed at
// once, so lines from different threads reach the terminal (or a pipe) in the
// order they were printed.
#include <string>
#include <string_view>

void consolePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends printf-style text to out (for building a block).
void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Clears the status console and shows the block, followed by the last lines
// printed outside blocks, all in one write: another thread's line can neither
// land inside a block nor be wiped by the next block's clear (it stays under
// the blocks until newer lines push it out).
void consoleBlock(std::string_view block);

// How many of the latest lines printed outside blocks each block shows again.
inline constexpr int kConsoleKeptLines = 8;
