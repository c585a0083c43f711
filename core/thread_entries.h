#pragma once
// Entry routines of the station's threads. Each takes a label and returns 0.
#include <thread>

int laserThreadMain(const char* label);

// The GPS link on "COM2" for the station record; ends when the link stops.
int gpsThreadMain(const char* label);

// Starts a detached thread running entry(label); the thread ends with the process.
void startStationThread(int (*entry)(const char*), const char* label);
