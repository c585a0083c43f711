#pragma once
// Command line of torva-sim.
#include <string>

#include "sim/sim_server.h"

// Fills options from argv; false with error set for a bad option. help is set
// for -h / --help.
bool parseSimOptions(int argc, const char* const* argv, SimOptions& options, bool& help,
                     std::string& error);
const char* simUsage();
