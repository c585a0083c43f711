#pragma once
// The measured values of the PLS / LMS 2xx (telegram 0xB0, the answer to a
// request for values and the continuous output): a 16-bit word whose bits 0
// to 9 count the values and bits 14 and 15 give their unit (0 cm, 1 mm), the
// values (16-bit little-endian: bits 0 to 12 the distance, the upper bits
// flags), then the status byte. A distance of 8183 or more is no echo, or a
// dazzled or failed measurement. The telegram does not say its angles: the
// count does, from the scanner's variants (180 degrees at 1 or 0.5 degree, 100
// degrees at 1, 0.5 or 0.25 degree, the 100 degrees centred straight ahead).
#include <cstdint>
#include <vector>

#include "scanner/station_scan.h"

enum class LmsUnit { Centimetre, Millimetre };

struct LmsValues {
  LmsUnit unit = LmsUnit::Centimetre;
  std::vector<uint16_t> distances;  // bits 0 to 12 of each value
};

// The first distance that means no measurement.
inline constexpr int kLmsNoEcho = 8183;

enum class LmsValuesResult { Taken, Short, Malformed };

// body: the telegram's command byte (0xB0), data and status byte. Short: the
// telegram holds fewer values than its count; Malformed: an unknown unit.
LmsValuesResult decodeLmsValues(const uint8_t* body, int size, LmsValues& out);

// The values as the station's readings; false for a count that is none of the
// scanner's variants.
bool lmsValuesToStation(const LmsValues& values, StationScan& out);
