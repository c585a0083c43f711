// The radar in whole frames: the half-disc and scan line of a scan, the line
// broken at readings at or beyond the display range, and the distance labels
// and scan scale that follow the chosen range.
#include "dashboard/laser_radar.h"

#include "dashboard_scene.h"

namespace {

constexpr double kCx = -2.7, kCy = 0, kR = 5;

// Scene point of reading `entry` at `radius` scene units from the centre.
std::pair<double, double> polar(int entry, double radius) {
  const double a = entry * M_PI / 360;
  return {kCx + radius * std::cos(a), kCy + radius * std::sin(a)};
}

using LaserRadarTest = DashboardSceneTest;

TEST_F(LaserRadarTest, ScanDrawsHalfDiscAndScanLine) {
  setScan(std::vector<float>(361, 2.0f));  // 2 m of 5: radius 2 scene units
  const Frame frame = drawFrame();
  for (int entry : {20, 100, 150, 250, 330}) {  // off the spokes
    SCOPED_TRACE(entry);
    auto [lx, ly] = polar(entry, 2.0);
    EXPECT_TRUE(colourNear(frame, lx, ly, kSeenOrange, 1));
    auto [bx, by] = polar(entry, 4.4);  // between the rings: the dark disc
    EXPECT_TRUE(colourAt(frame, bx, by, kSeenBlack)) << colourOf(frame, bx, by);
    auto [rx, ry] = polar(entry, kR * 3 / 4);  // a range ring
    EXPECT_TRUE(colourNear(frame, rx, ry, kSeenBlue, 1));
  }
  // Outside the half-disc the panel stays grey.
  EXPECT_TRUE(colourAt(frame, kCx + 5.6, kCy + 5.6, kSeenGrey));
  EXPECT_TRUE(colourAt(frame, kCx - 5.6, kCy + 5.6, kSeenGrey));
}

TEST_F(LaserRadarTest, ReadingAtOrBeyondRangeBreaksTheLine) {
  // Every reading at 1 m but one: a spike out to that reading, if drawn.
  struct Case {
    float spike;
    bool drawn;
  };
  const Case cases[] = {{4.0f, true}, {4.99f, true}, {5.0f, false}, {7.0f, false}, {-1.0f, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spike);
    std::vector<float> scan(361, 1.0f);
    scan[150] = c.spike;
    setScan(scan);
    const Frame frame = drawFrame();
    // Along the spike, off the rings (1.25, 2.5, 3.75) and spokes.
    for (double radius : {1.8, 3.2}) {
      auto [x, y] = polar(150, radius);
      EXPECT_EQ(colourNear(frame, x, y, kSeenOrange, 2), c.drawn) << radius;
    }
    // The rest of the line is there either way.
    auto [x, y] = polar(100, 1.0);
    EXPECT_TRUE(colourNear(frame, x, y, kSeenOrange, 1));
  }
}

TEST_F(LaserRadarTest, RangeSetsLabelsAndScanScale) {
  struct Case {
    float range;
    const char* labels[4];  // quarter, half, three quarters, whole
    double lineRadius;      // where a 2 m reading shows
  };
  const Case cases[] = {
      {5, {"1.25 [m]", "2.50 [m]", "3.75 [m]", "5.00 [m]"}, 2.0},
      {10, {"2.50 [m]", "5.00 [m]", "7.50 [m]", "10.00 [m]"}, 1.0},
      {25, {"6.25 [m]", "12.50 [m]", "18.75 [m]", "25.00 [m]"}, 0.4},
  };
  const double labelX[4] = {0.69, -2.88, 3.19, -5.38};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.range);
    rc->laserDisplayRange = c.range;
    setScan(std::vector<float>(361, 2.0f));
    const Frame frame = drawFrame();
    for (int k = 0; k < 4; ++k) {
      TextCheck label = checkText(frame, c.labels[k], 10, kCx + labelX[k], kCy - 0.52, kSeenGrey);
      EXPECT_GT(label.textPixels, 15) << c.labels[k];
      EXPECT_EQ(label.wrongText + label.wrongBackground, 0) << c.labels[k] << ": " << label;
    }
    auto [x, y] = polar(60, c.lineRadius);
    EXPECT_TRUE(colourNear(frame, x, y, kSeenOrange, 1));
    auto [fx, fy] = polar(60, c.lineRadius + 0.6);
    EXPECT_FALSE(colourNear(frame, fx, fy, kSeenOrange, 1));
  }
}

TEST_F(LaserRadarTest, CountBeyondTableOrScanIsLimited) {
  // A scan longer than the table draws as one of 361 readings.
  setScan(std::vector<float>(361, 2.0f));
  const Frame full = drawFrame();
  setScan(std::vector<float>(900, 2.0f));
  const Frame longer = drawFrame();
  EXPECT_TRUE(full == longer);

  // A count above the readings the buffer holds reads no further than them.
  LaserBuffer* buffer = rc->newLaserBuffer(3);
  for (int i = 0; i < 3; ++i) buffer->values[static_cast<std::size_t>(i)] = 2.0f;
  LaserScanView view{buffer, 3};
  emptyScene();
  drawLaserRadar(view, arcs.cosines.data(), arcs.sines.data(), 361, 5, kCx, kCy, 1);
  const Frame frame = readFrame();
  auto [x, y] = polar(200, 4.4);
  EXPECT_TRUE(colourAt(frame, x, y, kSeenGrey)) << colourOf(frame, x, y);
}

}  // namespace
