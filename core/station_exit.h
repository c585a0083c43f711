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

// The station ends with a robot's link, as the robot layer reports it: status
// 0 when the station ended the link itself, 1 when it was lost.
void endStationWhenARobotLinkEnds();
