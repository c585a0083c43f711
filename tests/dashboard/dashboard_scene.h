#pragma once
// A 600 x 450 station window with the station's pictures, a station record
// and the view record's arc tables, for drawing whole dashboard frames and
// reading pixels back at scene points projected with the frame's own
// camera and projection.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "dashboard/dashboard_composer.h"
#include "dashboard/text_print.h"
#include "dashboard_window.h"
#include "state/arc_table.h"
#include "state/robot_controller.h"

// A colour as the lit scene shows it: the station draws with lighting on
// (colour material, light 0 from (2, 2, 3) with ambient 0.3, the default
// global ambient 0.2, flat figures facing the camera), so a drawn colour c
// reaches the screen as c * (0.2 + 0.3 + cos) with cos the angle term.
struct Colour {
  int r, g, b;
};
inline Colour seen(float r, float g, float b) {
  const float lit = 0.2f + 0.3f + 3.0f / std::sqrt(17.0f);
  auto byte = [&](float c) { return static_cast<int>(std::lround(std::min(1.0f, c * lit) * 255)); };
  return Colour{byte(r), byte(g), byte(b)};
}
inline const Colour kSeenBlue = seen(0.07421875f, 0.1796875f, 0.5625f);
inline const Colour kSeenOrange = seen(0.99609375f, 0.59765625f, 0);
inline const Colour kSeenGrey = seen(0.375f, 0.375f, 0.375f);
inline const Colour kSeenBlack = seen(0, 0, 0);
inline const Colour kSeenYellowGreen = seen(0.7578125f, 0.796875f, 0.04296875f);
inline const Colour kSeenRed = seen(0.71484375f, 0.05078125f, 0.015625f);
// Texels in decal mode show as they are.
inline constexpr Colour kTexelGreen{0, 255, 0};
inline constexpr Colour kTexelOrange{255, 153, 0};
inline constexpr Colour kTexelBlack{0, 0, 0};
// The clear colour is not lit.
inline constexpr Colour kBackdrop{212, 208, 200};

inline bool near(const std::uint8_t* p, Colour c, int tolerance = 3) {
  return std::abs(p[0] - c.r) <= tolerance && std::abs(p[1] - c.g) <= tolerance &&
         std::abs(p[2] - c.b) <= tolerance;
}

inline std::ostream& operator<<(std::ostream& out, const Colour& c) {
  return out << "(" << c.r << "," << c.g << "," << c.b << ")";
}

struct Pixel {
  int x, y;
};

struct TextCheck {
  int textPixels = 0;
  int wrongText = 0;
  int wrongBackground = 0;
};

class DashboardSceneTest : public DashboardWindowTest {
 protected:
  void SetUp() override {
    folder.addResource("font.bmp");
    folder.addResource("mono.bmp");
    ASSERT_TRUE(open(600, 450));
    ViewSize area = glAreaClientSize();
    ASSERT_EQ(area.width, 600);
    ASSERT_EQ(area.height, 450);
    rc = std::make_unique<RobotController>();
  }

  Frame drawFrame() {
    drawDashboard(*rc, arcs.cosines.data(), arcs.sines.data(), inputs);
    return readFrame();
  }

  // A frame holding nothing but what the caller draws next, under the
  // dashboard's camera and in the state its instruments draw in.
  void emptyScene() {
    drawDashboard(*rc, arcs.cosines.data(), arcs.sines.data(), inputs);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
  }

  // The window pixel that scene point (x, y, 0) falls in, with the matrices
  // of the frame just drawn.
  static Pixel at(double x, double y) {
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx = 0, wy = 0, wz = 0;
    gluProject(x, y, 0, model, projection, viewport, &wx, &wy, &wz);
    return Pixel{static_cast<int>(std::floor(wx)), static_cast<int>(std::floor(wy))};
  }

  static bool colourAt(const Frame& frame, double x, double y, Colour c, int tolerance = 3) {
    const Pixel p = at(x, y);
    return near(frame.at(p.x, p.y), c, tolerance);
  }
  static Colour colourOf(const Frame& frame, double x, double y) {
    const Pixel p = at(x, y);
    const std::uint8_t* q = frame.at(p.x, p.y);
    return Colour{q[0], q[1], q[2]};
  }
  // True when a pixel within `radius` pixels of the point shows c.
  static bool colourNear(const Frame& frame, double x, double y, Colour c, int radius = 2) {
    const Pixel p = at(x, y);
    for (int dy = -radius; dy <= radius; ++dy) {
      for (int dx = -radius; dx <= radius; ++dx) {
        if (near(frame.at(p.x + dx, p.y + dy), c)) return true;
      }
    }
    return false;
  }

  // Draws `text` alone at scene point (x, y) in orange or blue and checks it
  // against `scene`: every pixel of the text shows in the scene as drawn,
  // and every other pixel of the text's box shows `background`. Returns the
  // text's pixel count (0: the text drew nothing) and counts mismatches.
  TextCheck checkText(const Frame& scene, const char* text, int size, double x, double y,
                      Colour background, bool blue = false) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);  // as the instruments draw their texts
    if (blue) {
      drawBitmapText(text, size, 0.07421875f, 0.1796875f, 0.5625f, static_cast<float>(x),
                     static_cast<float>(y));
    } else {
      drawBitmapText(text, size, 0.99609375f, 0.59765625f, 0, static_cast<float>(x),
                     static_cast<float>(y));
    }
    const Frame alone = readFrame();
    int x0 = alone.width, x1 = -1, y0 = alone.height, y1 = -1;
    for (int py = 0; py < alone.height; ++py) {
      for (int px = 0; px < alone.width; ++px) {
        if (!alone.lit(px, py)) continue;
        x0 = std::min(x0, px), x1 = std::max(x1, px);
        y0 = std::min(y0, py), y1 = std::max(y1, py);
      }
    }
    TextCheck check;
    for (int py = y0; py <= y1; ++py) {
      for (int px = x0; px <= x1; ++px) {
        if (alone.lit(px, py)) {
          ++check.textPixels;
          const std::uint8_t* want = alone.at(px, py);
          check.wrongText += !near(scene.at(px, py), Colour{want[0], want[1], want[2]}, 0);
        } else {
          check.wrongBackground += !near(scene.at(px, py), background);
        }
      }
    }
    return check;
  }

  // A scan as the laser thread publishes it.
  void setScan(const std::vector<float>& readings) {
    LaserBuffer* buffer = rc->newLaserBuffer(static_cast<int>(readings.size()));
    for (std::size_t i = 0; i < readings.size(); ++i) buffer->values[i] = readings[i];
    rc->laserRanges.store(buffer, std::memory_order_release);
    rc->laserLastIndex = static_cast<int>(readings.size()) - 1;
    rc->laserValid = true;
  }

  std::unique_ptr<RobotController> rc;
  ArcTable arcs;
  DashboardInputs inputs;
};

inline std::ostream& operator<<(std::ostream& out, const TextCheck& c) {
  return out << c.textPixels << " text pixels, " << c.wrongText << " wrong, " << c.wrongBackground
             << " background pixels wrong";
}
