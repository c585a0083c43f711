#include "sim/laser_scan_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

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

std::string formatScan(const std::vector<int>& rangesCm) {
  std::string text = "-1\n" + std::to_string(rangesCm.size()) + "\n";
  for (std::size_t i = 0; i < rangesCm.size(); ++i) {
    text += std::to_string(rangesCm[i]);
    text += (i + 1) % 19 == 0 || i + 1 == rangesCm.size() ? '\n' : ' ';
  }
  return text;
}

bool writeScanFile(const std::string& dir, const std::vector<int>& rangesCm) {
  return writeScanText(dir, formatScan(rangesCm));
}

bool writeScanText(const std::string& dir, const std::string& text) {
  const std::string target = dir + "/data_sick.dat";
  // A temporary name of our own, so that two writers in one folder never
  // write into each other's half-done file.
  std::string temporary = dir + "/.data_sick.dat.XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  ::fchmod(fd, 0644);
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = ::close(fd) == 0 && ok;
  if (ok && std::rename(temporary.c_str(), target.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}
