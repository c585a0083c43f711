#pragma once
// Entry routines of the station's threads. Each takes a label and returns 0.
#include <thread>

int laserThreadMain(const char* label);

// Starts a detached thread running entry(label); the thread ends with the process.
void startStationThread(int (*entry)(const char*), const char* label);
