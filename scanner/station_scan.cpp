#include "scanner/station_scan.h"

#include <charconv>

bool resampleToStation(int64_t startAngle, int64_t step, const int* centimetres, std::size_t count,
                       StationScan& out) {
  if (step <= 0 || count == 0) return false;
  const int64_t last = static_cast<int64_t>(count) - 1;
  for (int i = 0; i < kStationReadings; ++i) {
    const int64_t offset = i * kStationStep - startAngle;
    // The measurement at or below the reading's angle, then the nearer of it
    // and the next one up; on a tie the lower (smaller angle) stays.
    int64_t k = offset >= 0 ? offset / step : -((-offset + step - 1) / step);
    if (2 * (offset - k * step) > step) ++k;
    k = k < 0 ? 0 : (k > last ? last : k);
    const int64_t gap = offset - k * step;
    const bool covered = 2 * (gap < 0 ? -gap : gap) <= step;
    out[static_cast<std::size_t>(i)] =
        covered ? centimetres[static_cast<std::size_t>(k)] : kNoReading;
  }
  return true;
}

void formatScanText(std::span<const int> rangesCm, std::string& text) {
  char number[16];
  const auto append = [&](auto value) {
    text.append(number, std::to_chars(number, number + sizeof number, value).ptr);
  };
  text.assign("-1\n");
  append(rangesCm.size());
  text += '\n';
  for (std::size_t i = 0; i < rangesCm.size(); ++i) {
    append(rangesCm[i]);
    text += (i + 1) % 19 == 0 || i + 1 == rangesCm.size() ? '\n' : ' ';
  }
}
