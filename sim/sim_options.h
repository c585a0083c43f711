#pragma once
// Command line of torva-sim.
#include <string>

#include "sim/nmea_emitter.h"
#include "sim/sim_server.h"

// The world around the robot: its walls and the sensors that see it.
struct WorldOptions {
  std::string mapPath;   // empty: the compiled-in room
  std::string laserDir;  // empty: no laser file
  double laserNoiseCm = 0;
  // The laser on its own protocols: a PLS / LMS 2xx on a pseudo-terminal, a
  // CoLa-A scanner on a TCP port (-1: none, 0: any free port); each may be
  // made to refuse its continuous output.
  bool lmsPty = false;
  bool lmsNoContinuous = false;
  int colaPort = -1;
  bool colaNoEvents = false;
  bool gpsPty = false;
  GeoOrigin gpsOrigin;
  int gpsDropEvery = 0;
  int gpsCorruptEvery = 0;
  // A recording played back instead of the simulated world (empty: none),
  // at this many times its own pace.
  std::string replayDir;
  double replaySpeed = 1;
};

// What the command line asks for beside the options themselves.
enum class SimRequest { Run, Help, Version };

// Fills options from argv; false with error set for a bad option.
bool parseSimOptions(int argc, const char* const* argv, SimOptions& options, WorldOptions& world,
                     SimRequest& request, std::string& error);
const char* simUsage();
// "torva-sim VERSION\n".
const char* simVersionText();
