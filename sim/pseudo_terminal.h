#pragma once
// A pseudo-terminal pair in raw mode: the simulator writes on the master, a
// station opens the slave's path as its serial port.
#include <string>

struct PseudoTerminal {
  int master = -1;  // non-blocking
  int slave = -1;   // held open so the line outlives its clients
  std::string path;
};

// False with error set when the pair cannot be made.
bool openPseudoTerminal(PseudoTerminal& pty, std::string& error);
void closePseudoTerminal(PseudoTerminal& pty);
// Reads and lets go what the station typed to the line, so that its writes
// never block on a full line.
void discardStationInput(const PseudoTerminal& pty);
