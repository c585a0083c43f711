#include "sim/laser_scan_writer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "os/file_replace.h"
#include "scanner/station_scan.h"
#include "sim/world_geometry.h"

std::vector<int> castScan(const std::vector<Wall>& walls, double x, double y, double thDeg,
                          const LaserSettings& settings, std::mt19937* noise) {
  std::vector<int> ranges(static_cast<std::size_t>(settings.readings));
  const double maxMm = settings.maxRangeCm * 10;
  const double step = settings.readings > 1 ? 180.0 / (settings.readings - 1) : 0;
  std::normal_distribution<double> gauss(0, settings.noiseCm > 0 ? settings.noiseCm : 1);
  for (int i = 0; i < settings.readings; ++i) {
    const double bearing = (thDeg + i * step - 90) * std::numbers::pi / 180;
    const double mm = rayDistance(walls, x, y, bearing, maxMm);
    double cm = mm < 0 ? settings.maxRangeCm : mm / 10;
    if (mm >= 0 && settings.noiseCm > 0 && noise != nullptr) cm += gauss(*noise);
    cm = std::clamp(cm, 0.0, settings.maxRangeCm);
    ranges[static_cast<std::size_t>(i)] = static_cast<int>(std::lround(cm));
  }
  return ranges;
}

bool writeScanFile(const std::string& dir, const std::vector<int>& rangesCm) {
  std::string text;
  formatScanText(rangesCm, text);
  return writeScanText(dir, text);
}

bool writeScanText(const std::string& dir, const std::string& text) {
  std::string why;
  return replaceFile(dir + "/data_sick.dat", text, why);
}
