#pragma once
// Ending the station from any thread: every connected robot gets its motors
// disabled and its session closed, the terminal is put back, the console's
// queue goes out as far as its reader takes it at once, and the process ends
// with the given status. Nothing on the way waits on the console's reader.

[[noreturn]] void endStation(int status);

// Called once by the first endStation, after the robots are stopped and
// before the terminal is put back (a recorder closing its files). Set at
// start-up; nullptr: none.
void setStationEndHook(void (*hook)());
