#pragma once
// Cosines and sines over the half circle, entry i at i * 0.5 degrees; every
// instrument draws its arcs from these.
#include <vector>

struct ArcTable {
  ArcTable();
  std::vector<float> cosines;
  std::vector<float> sines;
  int count;
  double pi;
};
