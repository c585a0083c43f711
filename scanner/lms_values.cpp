#include "scanner/lms_values.h"

#include "scanner/lms_telegram.h"

namespace {
struct Variant {
  std::size_t count;
  int64_t startAngle, step;  // 1/10000 degree
};
constexpr Variant kVariants[] = {
    {361, 0, 5000},       {181, 0, 10000},      // 180 degrees
    {401, 400000, 2500},  {201, 400000, 5000},  // 100 degrees, 40 to 140
    {101, 400000, 10000},
};
}  // namespace

LmsValuesResult decodeLmsValues(const uint8_t* body, int size, LmsValues& out) {
  // Command, count word, status: the least a telegram of values can be.
  if (size < 4 || body[0] != lms::kMeasuredValues) return LmsValuesResult::Short;
  const unsigned word = body[1] | body[2] << 8;
  const unsigned count = word & 0x3FF;
  const unsigned unit = word >> 14;
  if (size < 4 + 2 * static_cast<int>(count)) return LmsValuesResult::Short;
  if (unit > 1) return LmsValuesResult::Malformed;
  out.unit = unit == 0 ? LmsUnit::Centimetre : LmsUnit::Millimetre;
  out.distances.resize(count);
  for (unsigned i = 0; i < count; ++i) {
    out.distances[i] = static_cast<uint16_t>((body[3 + 2 * i] | body[4 + 2 * i] << 8) & 0x1FFF);
  }
  return LmsValuesResult::Taken;
}

bool lmsValuesToStation(const LmsValues& values, StationScan& out) {
  const std::size_t count = values.distances.size();
  const Variant* variant = nullptr;
  for (const Variant& v : kVariants) {
    if (v.count == count) variant = &v;
  }
  if (variant == nullptr) return false;
  int centimetres[401];
  for (std::size_t i = 0; i < count; ++i) {
    const int d = values.distances[i];
    if (d >= kLmsNoEcho) {
      centimetres[i] = kNoReading;
    } else {
      centimetres[i] = values.unit == LmsUnit::Centimetre ? d : (d + 5) / 10;
    }
  }
  return resampleToStation(variant->startAngle, variant->step, centimetres, count, out);
}
