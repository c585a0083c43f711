#pragma once
// The station's frame loop on the main thread: window events, then a frame of
// the dashboard and the driving steps, about 60 times a second.

// Runs until a quit request or Escape; returns the quit request's code (0
// after Escape).
int runFrameLoop();

// Draws one frame of the dashboard and swaps (also used by open dialogs).
void drawStationFrame();
