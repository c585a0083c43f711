#pragma once
// The station's command line. Without options it starts as it always has;
// --help and --version answer and end, before any window or console opens.
#include <string>

enum class StationCommand { Run, Help, Version, Bad };

// What argv asks for; for Bad, error holds the line to print.
StationCommand parseStationCommandLine(int argc, const char* const* argv, std::string& error);

// What the station is, the files it reads, its environment variables and its keys.
const char* stationHelpText();

// "torva VERSION\n".
std::string stationVersionText();
