#pragma once
// Entry routines of the station's threads. Each takes a label and returns 0.
#include <thread>

int laserThreadMain(const char* label);

// The GPS link on "COM2" for the station record; ends when the link stops.
int gpsThreadMain(const char* label);

// The gamepad, published into the driving globals for the driving steps; runs
// until the process ends (returns at once when SDL cannot start).
int gamepadThreadMain(const char* label);

// Robot workers started from the dialogs: the TCP ones take the robot address
// current when they start and port 8101, the serial ones the station record's
// serial port name; the manual ones drive from the wheel-speed globals.
int ipManualThreadMain(const char* label);
int ipAutoThreadMain(const char* label);
int serialManualThreadMain(const char* label);
int serialAutoThreadMain(const char* label);

// Starts a detached thread running entry(label); the thread ends with the process.
void startStationThread(int (*entry)(const char*), const char* label);
