// The compass in whole frames: the figure turned by the heading (degrees
// taken with 3.14) and the degree text over the grey background.
#include "dashboard/compass.h"

#include <numbers>

#include "dashboard_scene.h"

namespace {

using CompassTest = DashboardSceneTest;

TEST_F(CompassTest, FigureTurnsWithHeadingAndTextShowsDegrees) {
  struct Case {
    float heading;
    const char* text;
    double headX, headY;  // where the sensor head lies, from the centre
  };
  const float pi = std::numbers::pi_v<float>;
  const Case cases[] = {
      {0, "[grad]: 0.00", 0, 1},          // "N"
      {pi / 2, "[grad]: 90.05", -1, 0},   // "O"
      {-pi / 2, "[grad]: -90.05", 1, 0},  // "E"
      {pi, "[grad]: 180.09", 0, -1},      // "S"
      {pi / 4, "[grad]: 45.02", -0.707, 0.707},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    rc->headingRad = c.heading;
    const Frame frame = drawFrame();
    EXPECT_TRUE(colourAt(frame, 6 + c.headX, 3.5 + c.headY, kSeenYellowGreen))
        << colourOf(frame, 6 + c.headX, 3.5 + c.headY);
    // Nowhere else on the unit circle round the centre.
    for (int k = 0; k < 8; ++k) {
      const double a = k * M_PI / 4;
      const double x = -std::sin(a), y = std::cos(a);
      if (std::abs(x - c.headX) + std::abs(y - c.headY) < 0.1) continue;
      EXPECT_FALSE(colourAt(frame, 6 + x, 3.5 + y, kSeenYellowGreen, 20)) << k;
    }
    EXPECT_TRUE(colourAt(frame, 6, 3.5, kSeenRed));
    TextCheck degrees = checkText(frame, c.text, 10, 6 - 2.36, 3.5 - 2.29, kSeenGrey);
    EXPECT_GT(degrees.textPixels, 20);
    EXPECT_EQ(degrees.wrongText + degrees.wrongBackground, 0) << degrees;
  }
}

}  // namespace
