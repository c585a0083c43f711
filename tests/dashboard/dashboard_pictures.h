#pragma once
// Whole-dashboard scenes whose pictures are kept in tests/data/dashboard/, and
// the PNG reading and writing of those pictures. The kept pictures were drawn
// by dashboard_pictures; dashboard_pictures_test draws the same scenes and
// compares them pixel by pixel, so a change to the drawing code that moves a
// pixel shows.
#include <GL/gl.h>

#include <QImage>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "dashboard/dashboard_composer.h"
#include "gui/station_window.h"
#include "laser/map_grid.h"
#include "room_scan.h"
#include "state/robot_controller.h"

namespace pictures {

inline void publishScan(RobotController& rc, const std::vector<float>& ranges) {
  LaserBuffer* buffer = rc.newLaserBuffer(static_cast<int>(ranges.size()));
  for (std::size_t i = 0; i < ranges.size(); ++i) buffer->values[i] = ranges[i];
  rc.laserRanges.store(buffer, std::memory_order_release);
  rc.laserLastIndex = static_cast<int>(ranges.size()) - 1;
  rc.laserValid = true;
}

// Readings growing from 0.5 m to 60 m across the sweep, with a ripple and one
// negative reading, so that every display range cuts the line elsewhere.
inline std::vector<float> wideScan() {
  std::vector<float> ranges(361);
  for (int i = 0; i < 361; ++i) {
    const double grow = 0.5 * std::exp(i / 360.0 * std::log(120.0));
    ranges[static_cast<std::size_t>(i)] = static_cast<float>(grow * (1 + 0.15 * std::sin(i * 0.3)));
  }
  ranges[100] = -1;
  return ranges;
}

// A scan that runs along the range rings and back and forth across them: a
// quarter of the sweep on each ring, with a small ripple.
inline void ringsScene(RobotController& rc, DashboardInputs&) {
  std::vector<float> ranges(361);
  constexpr float kOnRing[] = {0.25f, 0.5f, 0.75f, 0.995f};
  for (int i = 0; i < 361; ++i) {
    const float ring = kOnRing[std::min(i / 90, 3)] * 5;
    ranges[static_cast<std::size_t>(i)] =
        ring * (1 + 0.004f * std::sin(static_cast<float>(i) * 1.7f));
  }
  publishScan(rc, ranges);
  rc.headingRad = 1.0f;
}

// The documentation's picture: the robot drove 1.2 m along X toward the far
// wall of the room, marking it as it went.
inline void drivingScene(RobotController& rc, DashboardInputs& inputs) {
  for (int step = 0; step <= 12; ++step) {
    rc.mapRow = kStartCell + step;
    publishScan(rc, roomScan(3.2 - 0.1 * step));
    markScanInMap(rc, MarkPose{kStartCell + step, kStartCell, 0});
  }
  rc.headingRad = 0.6f;
  rc.robotSpeed = 0.42f;
  rc.odoDisplacementX = 1.23f;
  rc.odoDisplacementY = -0.08f;
  rc.gpsLatHemisphere = 'S';
  rc.gpsLatDegrees = 33;
  rc.gpsLatMinutes = 26.75f;
  rc.gpsLonHemisphere = 'W';
  rc.gpsLonDegrees = 70;
  rc.gpsLonMinutes = 39.12f;
  rc.gpsDisplacementX = 0.85f;
  rc.gpsDisplacementY = 0.31f;
  inputs.manualSpeed = 0.45f;
}

// A robot near a corner of the grid, reversing and turned past "S", the set
// speed at full scale, a long scan seen at `range` metres and a map whose
// marks depend on the range too (the robot's cell stays the same).
inline void rangeScene(RobotController& rc, DashboardInputs& inputs, float range) {
  rc.mapRow = 30;
  rc.mapCol = 470;
  for (int k = 0; k < static_cast<int>(range); ++k) {
    rc.trackGrid[static_cast<std::size_t>(gridIndex(30 + k / 2, 470 - k))] = 1;
    markObstacleCell(rc, gridIndex(10 + k, 480 - k / 3));
  }
  publishScan(rc, wideScan());
  rc.laserDisplayRange = range;
  rc.headingRad = -2.1f;
  rc.robotSpeed = -0.3f;
  rc.odoDisplacementX = -123.45f;
  rc.odoDisplacementY = 7.5f;
  rc.gpsLatHemisphere = 'N';
  rc.gpsLatDegrees = 5;
  rc.gpsLatMinutes = 0.5f;
  rc.gpsLonHemisphere = 'E';
  rc.gpsLonDegrees = 120;
  rc.gpsLonMinutes = 59.99f;
  rc.gpsDisplacementX = -0.01f;
  rc.gpsDisplacementY = 1000.25f;
  inputs.manualSpeed = 1.2f;
}

struct Scene {
  const char* name;  // the picture's file name, without ".png"
  void (*set)(RobotController&, DashboardInputs&);
};

inline const Scene kScenes[] = {
    {"start", [](RobotController&, DashboardInputs&) {}},  // no scan, no robot, no GPS
    {"driving", drivingScene},
    {"scan_on_rings", ringsScene},
    {"range_5m", [](RobotController& rc, DashboardInputs& in) { rangeScene(rc, in, 5); }},
    {"range_10m", [](RobotController& rc, DashboardInputs& in) { rangeScene(rc, in, 10); }},
    {"range_25m", [](RobotController& rc, DashboardInputs& in) { rangeScene(rc, in, 25); }},
    {"range_50m", [](RobotController& rc, DashboardInputs& in) { rangeScene(rc, in, 50); }},
};

// The back buffer of the station window, top row first.
inline QImage readWindow() {
  const ViewSize size = glAreaClientSize();
  QImage image(size.width, size.height, QImage::Format_RGB888);
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(size.width) * size.height * 3);
  glReadPixels(0, 0, size.width, size.height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  for (int y = 0; y < size.height; ++y) {
    std::copy_n(&rgb[static_cast<std::size_t>(size.height - 1 - y) * size.width * 3],
                size.width * 3, image.scanLine(y));
  }
  return image;
}

}  // namespace pictures
