#pragma once
// Failure injection for the station window's creation and tear-down steps, so
// tests can walk every failure path on a machine where nothing really fails.
#include <initializer_list>

enum class WindowStep {
  // creation
  RegisterClass,
  CreateWindow,
  DeviceContext,
  ChoosePixelFormat,
  SetPixelFormat,
  CreateContext,
  MakeCurrent,
  InitRenderState,
  // tear-down
  ReleaseCurrent,
  DeleteContext,
  ReleaseDeviceContext,
  DestroyWindow,
  UnregisterClass,
};

// The listed steps fail until cleared. A failing creation step makes nothing;
// a failing tear-down step is reported, and what it held is still dropped so
// that the process stays clean.
void injectWindowFaults(std::initializer_list<WindowStep> steps);
void clearWindowFaults();
bool windowStepFails(WindowStep step);

// What the toolkit and GL report as alive, for tests of the release paths.
struct WindowCensus {
  int toolkitWindows = 0;  // native-backed windows the toolkit still holds
  bool contextCurrent = false;
};
WindowCensus stationWindowCensus();
