// Draws one full dashboard (a scan, a heading, both speeds, GPS values and a
// partly marked map) and writes it as a 24-bit BMP: the picture shown in the
// project's documentation. Usage: dashboard_snapshot <out.bmp>
#include <GL/gl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "bmp_writer.h"
#include "dashboard/dashboard_composer.h"
#include "dashboard/textures.h"
#include "gui/station_window.h"
#include "laser/map_grid.h"
#include "room_scan.h"
#include "state/arc_table.h"
#include "state/robot_controller.h"

namespace {

void publishScan(RobotController& rc, const std::vector<float>& ranges) {
  LaserBuffer* buffer = rc.newLaserBuffer(static_cast<int>(ranges.size()));
  for (std::size_t i = 0; i < ranges.size(); ++i) buffer->values[i] = ranges[i];
  rc.laserRanges.store(buffer, std::memory_order_release);
  rc.laserLastIndex = static_cast<int>(ranges.size()) - 1;
  rc.laserValid = true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "uso: dashboard_snapshot <salida.bmp>\n");
    return 2;
  }
  if (chdir(TORVA_RESOURCES) != 0) return 1;
  useDashboardRenderResources();
  if (!createStationWindow("Controlador TORVA version 1.0", 600, 450, 8)) return 1;

  auto rc = std::make_unique<RobotController>();
  ArcTable arcs;
  // The robot drove 1.2 m along X toward the far wall, marking the room as
  // it went.
  for (int step = 0; step <= 12; ++step) {
    rc->mapRow = kStartCell + step;
    publishScan(*rc, roomScan(3.2 - 0.1 * step));
    markScanInMap(*rc, MarkPose{kStartCell + step, kStartCell, 0});
  }
  rc->headingRad = 0.6f;
  rc->robotSpeed = 0.42f;
  rc->odoDisplacementX = 1.23f;
  rc->odoDisplacementY = -0.08f;
  rc->gpsLatHemisphere = 'S';
  rc->gpsLatDegrees = 33;
  rc->gpsLatMinutes = 26.75f;
  rc->gpsLonHemisphere = 'W';
  rc->gpsLonDegrees = 70;
  rc->gpsLonMinutes = 39.12f;
  rc->gpsDisplacementX = 0.85f;
  rc->gpsDisplacementY = 0.31f;

  DashboardInputs inputs;
  inputs.manualSpeed = 0.45f;
  drawDashboard(*rc, arcs.cosines.data(), arcs.sines.data(), inputs);

  const ViewSize size = glAreaClientSize();
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(size.width) * size.height * 3);
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, size.width, size.height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  destroyStationWindow();

  Picture picture{size.width, size.height, {}};
  for (std::size_t i = 0; i < rgb.size(); i += 3)
    picture.pixels.push_back({rgb[i], rgb[i + 1], rgb[i + 2]});
  const std::vector<std::uint8_t> file = writeBmp(picture, BmpForm::Info24);
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) return 1;
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && written ? 0 : 1;
}
