// The GPS and odometry panel: each line's text, drawn over the grey boxes,
// for the values the GPS reader and the pose update leave in the record.
#include "dashboard/position_panel.h"

#include "dashboard_scene.h"

namespace {

constexpr double kPx = -6.19, kPy = -3.72;

struct Line {
  const char* text;
  double dx, dy;
};

using PositionPanelTest = DashboardSceneTest;

TEST_F(PositionPanelTest, LinesShowTheRecordsValues) {
  struct Case {
    const char* name;
    void (*set)(RobotController&);
    Line lines[6];
  };
  const Case cases[] = {
      {"start",
       [](RobotController&) {},
       {{":  0\xb0 : 0.00' S", -0.29, 1.46},
        {":  0\xb0 : 0.00' W", -0.29, 1.05},
        {"Desp X [m]: 0.00", -1.79, 0.4},
        {"Desp Y [m]: 0.00", -1.79, -0.01},
        {"Desp X [m]: 0.00", -1.79, -1.78},
        {"Desp Y [m]: 0.00", -1.79, -2.19}}},
      {"fix and travel",
       [](RobotController& rc) {
         rc.gpsLatDegrees = 33;
         rc.gpsLatMinutes = 26.754f;
         rc.gpsLatHemisphere = 'N';
         rc.gpsLonDegrees = 170;
         rc.gpsLonMinutes = 5.5f;
         rc.gpsLonHemisphere = 'E';
         rc.gpsDisplacementX = -1.25f;
         rc.gpsDisplacementY = 0.004f;
         rc.odoDisplacementX = 123.456f;
         rc.odoDisplacementY = -0.5f;
       },
       {{":  33\xb0 : 26.75' N", -0.29, 1.46},
        {":  170\xb0 : 5.50' E", -0.29, 1.05},
        {"Desp X [m]: -1.25", -1.79, 0.4},
        {"Desp Y [m]: 0.00", -1.79, -0.01},
        {"Desp X [m]: 123.46", -1.79, -1.78},
        {"Desp Y [m]: -0.50", -1.79, -2.19}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rc = std::make_unique<RobotController>();
    c.set(*rc);
    const Frame frame = drawFrame();
    for (const Line& line : c.lines) {
      TextCheck check = checkText(frame, line.text, 12, kPx + line.dx, kPy + line.dy, kSeenGrey);
      EXPECT_GT(check.textPixels, 20) << line.text;
      EXPECT_EQ(check.wrongText + check.wrongBackground, 0) << line.text << ": " << check;
    }
  }
}

TEST_F(PositionPanelTest, TitlesAndFixedLabels) {
  const Frame frame = drawFrame();
  const Line blue[] = {{"GPS NAVCOM", -2.42, 2.19}, {"ODOMETRIA", -2.42, -1.05}};
  for (const Line& line : blue) {
    TextCheck check =
        checkText(frame, line.text, 10, kPx + line.dx, kPy + line.dy, kSeenGrey, true);
    EXPECT_GT(check.textPixels, 20) << line.text;
    EXPECT_EQ(check.wrongText + check.wrongBackground, 0) << line.text << ": " << check;
  }
  const Line orange[] = {{"Latitud", -1.79, 1.46}, {"Longitud", -1.79, 1.05}};
  for (const Line& line : orange) {
    TextCheck check = checkText(frame, line.text, 12, kPx + line.dx, kPy + line.dy, kSeenGrey);
    EXPECT_GT(check.textPixels, 20) << line.text;
    EXPECT_EQ(check.wrongText + check.wrongBackground, 0) << line.text << ": " << check;
  }
  // Two boxes with the backdrop between them.
  EXPECT_TRUE(colourAt(frame, kPx + 2.3, kPy + 2.3, kSeenGrey));
  EXPECT_TRUE(colourAt(frame, kPx + 2.3, kPy - 2.6, kSeenGrey));
  EXPECT_TRUE(colourAt(frame, kPx, kPy - 0.61, kBackdrop)) << colourOf(frame, kPx, kPy - 0.61);
  EXPECT_TRUE(colourNear(frame, kPx + 2.5, kPy + 1, kSeenBlue, 2));
}

}  // namespace
