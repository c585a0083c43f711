#pragma once
// Command line of torva-map.
#include <string>

struct MapOptions {
  std::string recording;  // the recording's folder
  std::string output;     // the picture; empty: <folder's name>.png here
  int size = 500;         // cells per side
};

enum class MapCommand { Run, Help, Version, Bad };

// Fills options from argv; Bad with error set for a bad command line.
MapCommand parseMapOptions(int argc, const char* const* argv, MapOptions& options,
                           std::string& error);
const char* mapUsage();
const char* mapVersionText();
