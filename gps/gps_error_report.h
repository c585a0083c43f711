#pragma once
// The GPS link's coded failure report: "E012_Failed to open port: (2) No such
// file or directory", a blank line, then the usage text.

// Prints the coded line for error (an errno value) and the usage text.
void printCodedError(const char* message, int error);
// The same with the current errno (read before anything else).
void printLastError(const char* message);
// The same with a code and text of another kind (a resolver's, say).
void printCodedErrorText(const char* message, int code, const char* text);
