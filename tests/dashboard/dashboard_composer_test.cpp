// Whole dashboard frames: what a station with no robot, GPS or laser shows,
// the cursor kept in place while the mouse button is held, and the state a
// frame leaves.
#include "dashboard/dashboard_composer.h"

#include "dashboard_scene.h"
#include "gui/cursor.h"

namespace {

using DashboardComposerTest = DashboardSceneTest;

TEST_F(DashboardComposerTest, StartFrameShowsEveryInstrumentAtRest) {
  const Frame frame = drawFrame();

  // Between the instruments the backdrop shows.
  EXPECT_TRUE(colourAt(frame, 8.7, 0.85, kBackdrop)) << colourOf(frame, 8.7, 0.85);

  // Radar without a scan: no black half-disc, no rings, grey panel.
  EXPECT_TRUE(colourAt(frame, -2.7 + 4.5 * std::cos(0.5), 4.5 * std::sin(0.5), kSeenGrey))
      << colourOf(frame, -2.7 + 4.5 * std::cos(0.5), 4.5 * std::sin(0.5));
  EXPECT_TRUE(colourAt(frame, -2.7 + 2.5 * std::cos(0.3), 2.5 * std::sin(0.3), kSeenGrey));
  EXPECT_TRUE(colourNear(frame, -2.7 - 2.5, 0, kSeenBlue, 1));  // the base line

  // Compass: grey inside its frame, the figure's head toward "N".
  for (auto [x, y] : {std::pair{8.2, 5.7}, {3.8, 1.3}, {8.2, 1.3}, {7.5, 5.7}}) {
    EXPECT_TRUE(colourAt(frame, x, y, kSeenGrey)) << x << "," << y << " " << colourOf(frame, x, y);
  }
  EXPECT_TRUE(colourAt(frame, 6, 3.5 + 1.0, kSeenYellowGreen)) << colourOf(frame, 6, 4.5);
  EXPECT_TRUE(colourAt(frame, 6, 3.5, kSeenRed)) << colourOf(frame, 6, 3.5);
  EXPECT_FALSE(colourAt(frame, 6, 3.5 - 1.0, kSeenYellowGreen));
  TextCheck degrees = checkText(frame, "[grad]: 0.00", 10, 6 - 2.36, 3.5 - 2.29, kSeenGrey);
  EXPECT_GT(degrees.textPixels, 20);
  EXPECT_EQ(degrees.wrongText, 0) << degrees;
  EXPECT_EQ(degrees.wrongBackground, 0) << degrees;

  // Both dials at rest: needle toward "0", empty bars, value 0.00.
  for (double cy : {-1.75, -5.5}) {
    SCOPED_TRACE(cy);
    EXPECT_TRUE(colourAt(frame, 6 - 0.75, cy, kSeenOrange)) << colourOf(frame, 6 - 0.75, cy);
    EXPECT_FALSE(colourAt(frame, 6 + 0.75, cy, kSeenOrange));
    EXPECT_TRUE(colourAt(frame, 6 - 1.8 + 0.075, cy - 0.35, kSeenGrey));
    TextCheck value =
        checkText(frame, "Velocidad [cm/s]: 0.00", 10, 6 - 1.51, cy - 0.86, kSeenGrey);
    EXPECT_GT(value.textPixels, 20);
    EXPECT_EQ(value.wrongText + value.wrongBackground, 0) << value;
  }
  TextCheck fijado = checkText(frame, "FIJADO", 10, 6 - 2.41, -1.75 + 2.19, kSeenGrey, true);
  EXPECT_GT(fijado.textPixels, 10);
  EXPECT_EQ(fijado.wrongText + fijado.wrongBackground, 0) << fijado;

  // Panel: hemispheres S and W, zeros.
  TextCheck south =
      checkText(frame, ":  0\xb0 : 0.00' S", 12, -6.19 - 0.29, -3.72 + 1.46, kSeenGrey);
  EXPECT_GT(south.textPixels, 20);
  EXPECT_EQ(south.wrongText + south.wrongBackground, 0) << south;
  TextCheck west =
      checkText(frame, ":  0\xb0 : 0.00' W", 12, -6.19 - 0.29, -3.72 + 1.05, kSeenGrey);
  EXPECT_EQ(west.wrongText + west.wrongBackground, 0) << west;

  // Map: the start cell, green, at texel (64, 64); black around it.
  auto texel = [](int c, int r) {
    return std::pair{-0.07 - 2.6 + (c + 0.5) * 5.2 / 128, -3.85 - 2.6 + (r + 0.5) * 5.2 / 128};
  };
  auto [gx, gy] = texel(64, 64);
  EXPECT_TRUE(colourAt(frame, gx, gy, kTexelGreen, 0)) << colourOf(frame, gx, gy);
  for (auto [c, r] : {std::pair{63, 64}, {65, 64}, {64, 63}, {64, 65}, {10, 100}}) {
    auto [x, y] = texel(c, r);
    EXPECT_TRUE(colourAt(frame, x, y, kTexelBlack, 0)) << c << "," << r;
  }
}

TEST_F(DashboardComposerTest, FrameLeavesTheStateTheNextFrameExpects) {
  drawFrame();
  GLint depth = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));  // the map view's, switched off by the next frame
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // Two frames of the same record are the same picture.
  const Frame first = drawFrame();
  const Frame second = drawFrame();
  EXPECT_TRUE(first == second);
}

TEST_F(DashboardComposerTest, HeldMouseButtonKeepsTheCursorAtItsPlace) {
  struct Case {
    bool held;
    ScreenPoint start;
    ScreenPoint expected;
  };
  const Case cases[] = {
      {true, {17, 400}, {320, 240}},
      {true, {320, 240}, {320, 240}},
      {false, {17, 400}, {17, 400}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "held " << c.held << " from " << c.start.x << "," << c.start.y);
    moveCursor(c.start);
    processPendingEvents();
    ASSERT_TRUE(cursorPosition() == c.start);
    inputs.mouseButtonHeld = c.held;
    drawFrame();
    processPendingEvents();
    const ScreenPoint now = cursorPosition();
    EXPECT_EQ(now.x, c.expected.x);
    EXPECT_EQ(now.y, c.expected.y);
  }
}

}  // namespace
