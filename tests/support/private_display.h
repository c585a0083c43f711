#pragma once
// A virtual X server of one test's own, and what the end-to-end tests ask of
// it through Xlib: which windows are up, their titles, their pixels. Its
// windows, keyboard focus and pointer are nobody else's, so a test that types
// and clicks cannot be disturbed by (or disturb) another test's windows.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/poll_until.h"

// A window's pixels as 0xRRGGBB, rows top first.
struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned> pixels;
  unsigned at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Windows come and go while a test looks at them (a menu closes between the
// listing and the look): a request about a window that is gone fails quietly
// instead of ending the test process, as Xlib's default handler would.
inline int ignoreXError(Display*, XErrorEvent*) {
  return 0;
}

class PrivateDisplay {
 public:
  PrivateDisplay() = default;
  PrivateDisplay(const PrivateDisplay&) = delete;
  PrivateDisplay& operator=(const PrivateDisplay&) = delete;
  ~PrivateDisplay() {
    if (x_ != nullptr) XCloseDisplay(x_);
  }

  // Starts Xvfb on a display number it picks itself and connects to it.
  bool start() {
    if (!server_.start({"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24",
                        "-nolisten", "tcp", "-noreset"})) {
      return false;
    }
    // Xvfb writes the number on a line of its own once it accepts
    // connections; its warnings share the pipe.
    const bool told = pollUntil(
        [&] {
          server_.drain(0);
          return !displayNumber().empty();
        },
        std::chrono::seconds(20), std::chrono::milliseconds(10));
    if (!told) return false;
    name_ = displayNumber();
    name_.insert(name_.begin(), ':');
    XSetErrorHandler(ignoreXError);
    x_ = XOpenDisplay(name_.c_str());
    return x_ != nullptr;
  }

  // ":N", for DISPLAY.
  const std::string& name() const { return name_; }
  Display* x() const { return x_; }

  // Runs xdotool on this display; bounded, so a stalled server cannot hang the test.
  bool xdotool(const std::string& args) const {
    const std::string command =
        "DISPLAY=" + name_ + " timeout 20 xdotool " + args + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }

  // Mapped top-level windows (there is no window manager: they are the root's children).
  std::vector<Window> shownWindows() const {
    std::vector<Window> shown;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(x_, DefaultRootWindow(x_), &root, &parent, &children, &count) == 0) return shown;
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes a{};
      if (XGetWindowAttributes(x_, children[i], &a) != 0 && a.map_state == IsViewable) {
        shown.push_back(children[i]);
      }
    }
    if (children != nullptr) XFree(children);
    return shown;
  }

  // Shown pop-up windows (menus), lowest first: they bypass window management.
  std::vector<Window> popups() const {
    std::vector<Window> found;
    for (Window w : shownWindows()) {
      XWindowAttributes a{};
      if (XGetWindowAttributes(x_, w, &a) != 0 && a.override_redirect) found.push_back(w);
    }
    return found;
  }

  // The shown top-level window with exactly this title, or 0.
  Window shownWindowNamed(const std::string& title) const {
    for (Window w : shownWindows()) {
      char* name = nullptr;
      bool match = false;
      if (XFetchName(x_, w, &name) != 0 && name != nullptr) {
        match = title == name;
        XFree(name);
      }
      if (match) return w;
    }
    return 0;
  }

  // Waits for the shown window with this title; 0 when it does not come.
  Window waitForWindow(const std::string& title, std::chrono::milliseconds timeout) const {
    Window found = 0;
    pollUntil([&] { return (found = shownWindowNamed(title)) != 0; }, timeout,
              std::chrono::milliseconds(50));
    return found;
  }

  Picture capture(Window w) const {
    Picture p;
    XWindowAttributes a{};
    if (XGetWindowAttributes(x_, w, &a) == 0 || a.map_state != IsViewable) return p;
    XImage* image = XGetImage(x_, w, 0, 0, static_cast<unsigned>(a.width),
                              static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    if (image == nullptr) return p;
    p.width = a.width;
    p.height = a.height;
    p.pixels.resize(static_cast<std::size_t>(p.width) * p.height);
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        p.pixels[static_cast<std::size_t>(y) * p.width + x] =
            static_cast<unsigned>(XGetPixel(image, x, y)) & 0xFFFFFFu;
      }
    }
    XDestroyImage(image);
    return p;
  }

 private:
  std::string displayNumber() const {
    const std::string& text = server_.output();
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1) {
      const std::string line = text.substr(begin, end - begin);
      if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) return line;
    }
    return {};
  }

  ChildProcess server_;
  std::string name_;
  Display* x_ = nullptr;
};

// Points this test process at an X server of its own, started on first use,
// for tests that open the station's windows in-process: keys they send and
// windows they map meet no other test's. Call before the first window opens.
// Whether the server is up.
inline bool useOwnDisplay() {
  static PrivateDisplay display;
  static const bool up = display.start() && ::setenv("DISPLAY", display.name().c_str(), 1) == 0;
  return up;
}
