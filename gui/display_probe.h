#pragma once
#include <string>

// Holds a connection to the display server while the toolkit starts. The
// toolkit ends the process when it cannot reach a display, so we ask first;
// and an X server resets itself when its last client leaves, refusing
// connections for a moment, so the probe stays connected until the toolkit
// has its own connection.
class DisplayProbe {
 public:
  DisplayProbe();
  ~DisplayProbe();
  DisplayProbe(const DisplayProbe&) = delete;
  DisplayProbe& operator=(const DisplayProbe&) = delete;

  bool reachable() const { return reachable_; }

 private:
  void* display_ = nullptr;
  bool reachable_ = false;
};

// For the console when no display could be reached: one line that says so,
// names DISPLAY, the setting the operator has to look at, and says how to run
// the demo on a virtual display instead.
std::string noDisplayText();
