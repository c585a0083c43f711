#pragma once
// The status console is the terminal the station runs in. Its title is set
// with the OSC 0 escape; keys are read one at a time from a terminal in raw
// input mode, and the terminal's settings are put back on the way out of the
// process: a normal end, or restoreTerminal() (the station's own end, which its
// signal thread also takes for SIGINT, SIGTERM and SIGHUP after stopping the
// robots).

// Sets the terminal's title when the station's console is a terminal's and
// returns true; otherwise writes nothing and returns false (the console is a
// log on a file or pipe). A null title sets none.
bool openStatusConsole(const char* title);

// Puts the terminal on fd into raw single-key input: no line editing, no echo,
// Ctrl+C arrives as the byte 3, Enter as 13. Output processing is kept, so
// console lines still end where they should. Saves the previous settings for
// leaveRawKeyInput() and restoreTerminal(), which also runs at a normal
// process end. False (errno set) when fd is not a terminal or the
// settings are refused; ENOTTY too when the process runs in the background of
// its controlling terminal, where touching it would stop the process.
bool enterRawKeyInput(int fd);

// Puts back the settings saved by enterRawKeyInput(), if any.
void leaveRawKeyInput();

// The same, for every way out of the process; safe from a signal handler.
void restoreTerminal();

// Runs restoreTerminal() when the process ends normally. Idempotent.
void restoreTerminalAtExit();
