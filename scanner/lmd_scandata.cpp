#include "scanner/lmd_scandata.h"

#include <cmath>

#include "scanner/cola_fields.h"

namespace {
// The most values one channel can have: far more than any scanner's angles,
// far fewer than a hostile count could make us reserve.
constexpr uint32_t kMaxValues = 20000;

bool readChannels(ColaFields& f, std::vector<LmdChannel>& channels) {
  uint32_t count = 0;
  if (!f.number(count) || count > 16) return false;
  channels.resize(count);
  for (LmdChannel& c : channels) {
    std::string_view name;
    uint32_t values = 0;
    if (!f.field(name) || !f.real(c.scale) || !f.real(c.offset) || !f.signedNumber(c.startAngle) ||
        !f.number(c.step) || !f.number(values) || values > kMaxValues) {
      return false;
    }
    c.name.assign(name);
    c.values.resize(values);
    for (uint32_t& v : c.values) {
      if (!f.number(v)) return false;
    }
  }
  return true;
}

// A flag field of the tail: 0 or 1.
bool flag(ColaFields& f, bool& set) {
  uint32_t value = 0;
  if (!f.number(value) || value > 1) return false;
  set = value == 1;
  return true;
}

// A text block: its length, then its characters.
bool text(ColaFields& f, std::string_view& out) {
  uint32_t length = 0;
  return f.number(length) && f.characters(length, out);
}

bool readTail(ColaFields& f, LmdScan& out) {
  std::string_view name, comment;
  // Position: three coordinates, three rotations, the kind of rotation and
  // whether the device's name follows.
  if (!flag(f, out.hasPosition) || (out.hasPosition && !f.skip(8))) return false;
  if (!flag(f, out.hasName) || (out.hasName && !text(f, name))) return false;
  out.deviceName.assign(name);
  if (!flag(f, out.hasComment) || (out.hasComment && !text(f, comment))) return false;
  // Time: year, month, day, hour, minute, second, microsecond.
  if (!flag(f, out.hasTime) || (out.hasTime && !f.skip(7))) return false;
  // The event block, last, is taken as it comes.
  return flag(f, out.hasEvent);
}
}  // namespace

LmdResult decodeLmdScandata(std::string_view telegram, LmdScan& out) {
  ColaFields f(telegram);
  std::string_view kind, name;
  if (!f.field(kind) || !f.field(name) || name != "LMDscandata" ||
      (kind != "sSN" && kind != "sRA")) {
    return LmdResult::NotScan;
  }
  uint32_t ignored = 0, encoders = 0;
  const bool header = f.number(out.version) && f.skip(4) && f.number(out.telegramCounter) &&
                      f.number(out.scanCounter) && f.skip(2 + 4 + 1) &&
                      f.number(out.scanFrequency) && f.number(ignored) && f.number(encoders) &&
                      encoders <= 16 && f.skip(2 * encoders);
  if (!header || !readChannels(f, out.channels16) || !readChannels(f, out.channels8)) {
    return LmdResult::Malformed;
  }
  out.hasPosition = out.hasName = out.hasComment = out.hasTime = out.hasEvent = false;
  out.deviceName.clear();
  out.tailRead = readTail(f, out);
  return LmdResult::Scan;
}

bool lmdDistancesToStation(const LmdScan& scan, StationScan& out) {
  const LmdChannel* dist = nullptr;
  for (const LmdChannel& c : scan.channels16) {
    if (c.name == "DIST1") {
      dist = &c;
      break;
    }
  }
  if (dist == nullptr || dist->values.empty() || dist->step == 0 || !std::isfinite(dist->scale) ||
      !(dist->scale > 0) || !std::isfinite(dist->offset)) {
    return false;
  }
  // Thread-local scratch: no allocation per scan once the largest has been seen.
  thread_local std::vector<int> centimetres;
  centimetres.resize(dist->values.size());
  for (std::size_t i = 0; i < dist->values.size(); ++i) {
    const uint32_t raw = dist->values[i];
    const double mm = static_cast<double>(raw) * dist->scale + dist->offset;
    if (raw < 16 || mm < 0) {
      centimetres[i] = kNoReading;
    } else {
      const double cm = std::round(mm / 10);
      centimetres[i] = cm >= kNoReading ? kNoReading : static_cast<int>(cm);
    }
  }
  return resampleToStation(dist->startAngle, dist->step, centimetres.data(), centimetres.size(),
                           out);
}
