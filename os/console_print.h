#pragma once
// The station's status console, shared by every thread: text formatted like
// printf goes to the console's queue and never waits for the console's reader
// (see os/console_output.h).
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "os/console_output.h"

void consolePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends printf-style text to out (for building a block).
void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Shows the block in place of the previous one (see Console::block): on a
// terminal, another thread's line can neither land inside a block nor be
// wiped by the next block's clear.
void consoleBlock(std::string_view block, std::string_view content = {});

// The station's console: the one on standard output, made at first use,
// unless another was put in its place.
std::shared_ptr<Console> stationConsole();

// Puts a console in the station's place (a test's own); returns the one it
// replaces. nullptr: back to a console on standard output at next use.
std::shared_ptr<Console> replaceStationConsole(std::shared_ptr<Console> console);

// The process is ending: what is queued goes out within the budget, without
// blocking, or is dropped.
void finishConsoleForExit(std::chrono::milliseconds budget);
