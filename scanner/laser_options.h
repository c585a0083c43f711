#pragma once
// Command line of torva-laser.
#include <string>

struct LaserOptions {
  enum class Protocol { Lms, Cola };
  Protocol protocol = Protocol::Lms;
  std::string device;  // --lms: the serial device
  int baud = 38400;    // --lms: the line speed to work at
  std::string host;    // --cola
  int port = 2111;
  std::string output = "data_sick.dat";
};

enum class LaserCommand { Run, Help, Version, Bad };

// Fills options from argv; Bad with error set for a bad command line.
LaserCommand parseLaserOptions(int argc, const char* const* argv, LaserOptions& options,
                               std::string& error);
const char* laserUsage();
const char* laserVersionText();
