#pragma once
// Console output shared by every thread: formatted like printf and flushed at
// once, so lines from different threads reach the terminal (or a pipe) in the
// order they were printed.

void consolePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Clears the status console (home the cursor, erase the screen).
void consoleClear();
