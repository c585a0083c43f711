#include "dashboard/dashboard_signature.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The frame loop redraws only when the signature changes: every value a frame
// shows must change it, and nothing else may.
TEST(DashboardSignature, ChangesWithEverythingTheDashboardShows) {
  struct Case {
    const char* name;
    std::function<void(RobotController&, DashboardInputs&)> change;
  };
  const Case cases[] = {
      {"set speed", [](RobotController&, DashboardInputs& in) { in.manualSpeed = 0.01f; }},
      {"mouse", [](RobotController&, DashboardInputs& in) { in.mouseButtonHeld = true; }},
      {"odometry x", [](RobotController& rc, DashboardInputs&) { rc.odoDisplacementX = 0.001f; }},
      {"odometry y", [](RobotController& rc, DashboardInputs&) { rc.odoDisplacementY = -0.001f; }},
      {"heading", [](RobotController& rc, DashboardInputs&) { rc.headingRad = 0.01f; }},
      {"speed", [](RobotController& rc, DashboardInputs&) { rc.robotSpeed = 0.2f; }},
      {"latitude", [](RobotController& rc, DashboardInputs&) { rc.gpsLatMinutes = 1.5f; }},
      {"longitude", [](RobotController& rc, DashboardInputs&) { rc.gpsLonDegrees = 70; }},
      {"hemisphere", [](RobotController& rc, DashboardInputs&) { rc.gpsLatHemisphere = 'N'; }},
      {"gps step", [](RobotController& rc, DashboardInputs&) { rc.gpsDisplacementY = 0.4f; }},
      {"radar range", [](RobotController& rc, DashboardInputs&) { rc.laserDisplayRange = 10; }},
      {"map cell", [](RobotController& rc, DashboardInputs&) { rc.mapRow = 251; }},
      {"obstacle near",
       [](RobotController& rc, DashboardInputs&) { markObstacleCell(rc, gridIndex(300, 200)); }},
      {"scan",
       [](RobotController& rc, DashboardInputs&) {
         LaserBuffer* b = rc.newLaserBuffer(3);
         b->values[1] = 2.0f;
         rc.laserRanges.store(b);
         rc.laserLastIndex = 2;
       }},
  };
  for (const Case& c : cases) {
    auto rc = std::make_unique<RobotController>();
    DashboardInputs inputs;
    const auto before = dashboardSignature(*rc, inputs);
    EXPECT_EQ(dashboardSignature(*rc, inputs), before) << c.name;
    c.change(*rc, inputs);
    EXPECT_NE(dashboardSignature(*rc, inputs), before) << c.name;
  }
}

TEST(DashboardSignature, AScanValueChangingInPlaceIsSeenAndFarCellsAreNot) {
  auto rc = std::make_unique<RobotController>();
  LaserBuffer* b = rc->newLaserBuffer(361);
  rc->laserRanges.store(b);
  rc->laserLastIndex = 360;
  const DashboardInputs inputs;
  const auto before = dashboardSignature(*rc, inputs);
  b->values[300] = 4.5f;
  const auto after = dashboardSignature(*rc, inputs);
  EXPECT_NE(after, before);
  // A hit outside the 128 x 128 cells the map view shows changes nothing shown.
  markObstacleCell(*rc, gridIndex(10, 10));
  EXPECT_EQ(dashboardSignature(*rc, inputs), after);
}
