#pragma once
// Ending the station from any thread: every connected robot gets its motors
// disabled and its session closed, the terminal is put back, standard output
// is flushed, and the process ends with the given status.

[[noreturn]] void endStation(int status);
