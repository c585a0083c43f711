#pragma once
// The scan as the station's file holds it: 361 readings in whole centimetres,
// reading i at 0.5 * i degrees of the scanner's own angle (0 on its right, 90
// straight ahead, 180 on its left). A reading with no echo, or at an angle the
// scanner does not cover, is 8191: beyond every radar ring and outside the
// map, so the station draws and marks nothing for it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

inline constexpr int kStationReadings = 361;
inline constexpr int kNoReading = 8191;
// Angles in 1/10000 degree, as the scanners give them.
inline constexpr int64_t kStationStep = 5000;

using StationScan = std::array<int, kStationReadings>;

// Fills out from count measurements at startAngle + k * step (1/10000 degree,
// step > 0), each in whole centimetres or kNoReading. Reading i takes the
// measurement whose angle is nearest to 0.5 * i degrees, the smaller angle on
// a tie; a reading farther than half a step from every measurement is
// kNoReading. False (out untouched) when there is nothing to take from.
bool resampleToStation(int64_t startAngle, int64_t step, const int* centimetres, std::size_t count,
                       StationScan& out);

// The file's text: "-1", the count, the readings (19 to a line), ending in a
// line end so that a reader can tell a whole file from a cut one. text is
// reused.
void formatScanText(std::span<const int> rangesCm, std::string& text);
