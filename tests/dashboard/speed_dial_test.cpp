// The speed dials: needle, 24-segment bar and value text for a table of
// speeds, the sign ignored by the needle and bar, and the composer handing
// each dial its speed in cm/s.
#include "dashboard/speed_dial.h"

#include <limits>

#include "dashboard_scene.h"

namespace {

constexpr double kCx = 0, kCy = 0;

class SpeedDialTest : public DashboardSceneTest {
 protected:
  Frame drawDial(float value) {
    emptyScene();
    drawSpeedDial(&value, 120, arcs.cosines.data(), arcs.sines.data(), 361, kCx, kCy, 1, "REAL");
    return readFrame();
  }
  // Segments whose middle shows a shade of orange, counted from the left.
  static int litSegments(const Frame& frame) {
    int lit = 0;
    for (int k = 0; k < 24; ++k) {
      const Pixel p = at(kCx - 1.8 + (k + 0.5) * 0.15, kCy - 0.35);
      const std::uint8_t* q = frame.at(p.x, p.y);
      const bool orange = q[0] > 230 && q[1] > 120 && q[1] < 200 && q[2] < 20;
      if (orange && lit == k) ++lit;
      if (!orange) {
        EXPECT_TRUE(near(q, kSeenGrey)) << "segment " << k;
      }
    }
    return lit;
  }
};

TEST_F(SpeedDialTest, NeedleBarAndValueFollowTheSpeed) {
  struct Case {
    float speed;
    int segments;
    double tipAngle;  // degrees, from "0" on the left, clockwise
    const char* text;
  };
  const Case cases[] = {
      {0, 0, 0, "Velocidad [cm/s]: 0.00"},        {5, 0, 7.5, "Velocidad [cm/s]: 5.00"},
      {10, 1, 15, "Velocidad [cm/s]: 10.00"},     {30, 5, 45, "Velocidad [cm/s]: 30.00"},
      {-30, 5, 45, "Velocidad [cm/s]: -30.00"},   {60, 11, 90, "Velocidad [cm/s]: 60.00"},
      {120, 23, 180, "Velocidad [cm/s]: 120.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.speed);
    const Frame frame = drawDial(c.speed);
    EXPECT_EQ(litSegments(frame), c.segments);
    // Along the needle, and not where it points at rest or at full scale.
    const double a = c.tipAngle * M_PI / 180;
    EXPECT_TRUE(colourAt(frame, kCx - 0.75 * std::cos(a), kCy + 0.75 * std::sin(a), kSeenOrange));
    if (c.tipAngle > 20) {
      EXPECT_FALSE(colourNear(frame, kCx - 0.75, kCy, kSeenOrange, 1));
    }
    if (c.tipAngle < 160) {
      EXPECT_FALSE(colourNear(frame, kCx + 0.75, kCy, kSeenOrange, 1));
    }
    TextCheck value = checkText(frame, c.text, 10, kCx - 1.51, kCy - 0.86, kSeenGrey);
    EXPECT_GT(value.textPixels, 20);
    EXPECT_EQ(value.wrongText + value.wrongBackground, 0) << value;
  }
}

TEST_F(SpeedDialTest, NegativeSpeedDrawsAsPositive) {
  const Frame forward = drawDial(30);
  const Frame backward = drawDial(-30);
  const Frame still = drawDial(0);
  // Everything above the value text: scale, needle and bar.
  const Pixel low = at(kCx - 2.4, kCy - 0.55), high = at(kCx + 2.4, kCy + 2.4);
  int differ = 0, moved = 0;
  for (int y = low.y; y <= high.y; ++y) {
    for (int x = low.x; x <= high.x; ++x) {
      differ += !near(forward.at(x, y),
                      Colour{backward.at(x, y)[0], backward.at(x, y)[1], backward.at(x, y)[2]}, 0);
      moved += !near(forward.at(x, y),
                     Colour{still.at(x, y)[0], still.at(x, y)[1], still.at(x, y)[2]}, 0);
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(moved, 50);
}

TEST_F(SpeedDialTest, AbsurdSpeedStillDrawsAFrame) {
  // Beyond full scale the bar runs past its frame; a speed without bound
  // (a corrupt report) ends its bar past the window's edge.
  const Frame frame = drawDial(std::numeric_limits<float>::infinity());
  EXPECT_EQ(litSegments(frame), 24);
  const Frame nan = drawDial(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(litSegments(nan), 0);
}

TEST_F(SpeedDialTest, ComposerGivesSetSpeedToFijadoAndRobotSpeedToReal) {
  inputs.manualSpeed = 0.5f;  // m/s
  rc->robotSpeed = -0.25f;
  const Frame frame = drawFrame();
  struct Dial {
    double cy;
    const char* title;
    const char* text;
  };
  for (const Dial& d : {Dial{-1.75, "FIJADO", "Velocidad [cm/s]: 50.00"},
                        Dial{-5.5, "REAL", "Velocidad [cm/s]: -25.00"}}) {
    SCOPED_TRACE(d.title);
    TextCheck title = checkText(frame, d.title, 10, 6 - 2.41, d.cy + 2.19, kSeenGrey, true);
    EXPECT_GT(title.textPixels, 10);
    EXPECT_EQ(title.wrongText + title.wrongBackground, 0) << title;
    TextCheck value = checkText(frame, d.text, 10, 6 - 1.51, d.cy - 0.86, kSeenGrey);
    EXPECT_GT(value.textPixels, 20);
    EXPECT_EQ(value.wrongText + value.wrongBackground, 0) << value;
  }
  // 50 cm/s: the needle 75 degrees round; 25 cm/s: 37.5 degrees.
  const double a50 = 75 * M_PI / 180, a25 = 37.5 * M_PI / 180;
  EXPECT_TRUE(colourAt(frame, 6 - 0.75 * std::cos(a50), -1.75 + 0.75 * std::sin(a50), kSeenOrange));
  EXPECT_TRUE(colourAt(frame, 6 - 0.75 * std::cos(a25), -5.5 + 0.75 * std::sin(a25), kSeenOrange));
}

}  // namespace
