#pragma once
// The simulated laser: a forward-facing scanner at the robot's centre, 361
// readings over the half circle (reading 0 on the robot's right, 180 straight
// ahead, 360 on its left), written in the station's scan file format.
#include <random>
#include <string>
#include <vector>

#include "sim/world_map.h"

struct LaserSettings {
  int readings = 361;
  double maxRangeCm = 5000;  // no return is written as the maximum
  double noiseCm = 0;        // standard deviation of added noise
};

// Ranges in whole centimetres from the pose (mm, mm, degrees).
std::vector<int> castScan(const std::vector<Wall>& walls, double x, double y, double thDeg,
                          const LaserSettings& settings, std::mt19937* noise);

// Writes the scan into dir/data_sick.dat through a temporary file renamed over
// it, so a reader never sees half a scan. False when the file cannot be written.
bool writeScanFile(const std::string& dir, const std::vector<int>& rangesCm);
// The same for a scan file's whole text.
bool writeScanText(const std::string& dir, const std::string& text);
