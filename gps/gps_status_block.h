#pragma once
// The block of GPS results that replaces the status console's contents after
// every handled GGA sentence.
#include "gps/gga_sentence.h"
#include "gps/utm_projection.h"

struct GpsStatusBlock {
  GeoAngle latitude;
  GeoAngle longitude;
  int altitude = 0;
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  UtmPoint utm;
  double relativeX = 0;
  double relativeY = 0;
  double stepX = 0;
  double stepY = 0;
  double stepLength = 0;
  int byteIndex = 0;  // index, within its read, of the byte that ended the sentence
  int ggaCount = 0;
};

// Clears the console and prints the block, in one write; then hands it to the
// watcher, if one is set.
void printGpsStatusBlock(const GpsStatusBlock& block);

// Sees every block as it is printed, on the thread that prints it (tests read
// the results from it instead of from the console's text). It must only take
// note and return. One watcher for the process; nullptr removes it.
using GpsBlockWatcher = void (*)(const GpsStatusBlock& block);
void setGpsBlockWatcher(GpsBlockWatcher watcher);
