#pragma once
// The scan telegram of CoLa-A scanners, "sSN LMDscandata" (sent after "sEN
// LMDscandata 1") or "sRA LMDscandata" (the answer to "sRN LMDscandata").
// Its fields, in order: version, device number, serial number, two status
// fields, telegram counter, scan counter, time since start and time of
// transmission (us), two input and two output fields, one reserved, scan
// frequency (1/100 Hz), measurement frequency (100 Hz), the count of encoder
// blocks (two fields each); then the 16-bit channels, then the 8-bit ones,
// each a count followed by blocks of name ("DIST1", "RSSI1", ...), scale and
// offset (reals), start angle (signed) and angular step (1/10000 degree, the
// scanner's own: 90 straight ahead), value count and the values; then the
// position, name, comment, time and event blocks, each after a flag that
// says whether it is there.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/station_scan.h"

struct LmdChannel {
  std::string name;
  float scale = 1;
  float offset = 0;
  int32_t startAngle = 0;  // 1/10000 degree
  uint32_t step = 0;       // 1/10000 degree
  std::vector<uint32_t> values;
};

struct LmdScan {
  uint32_t version = 0;
  uint32_t telegramCounter = 0;
  uint32_t scanCounter = 0;
  uint32_t scanFrequency = 0;  // 1/100 Hz
  std::vector<LmdChannel> channels16;
  std::vector<LmdChannel> channels8;
  // The blocks after the channels: whether each was there and could be read.
  bool hasPosition = false, hasName = false, hasComment = false, hasTime = false;
  bool hasEvent = false;
  std::string deviceName;
  bool tailRead = false;
};

enum class LmdResult { Scan, NotScan, Malformed };

// NotScan: a telegram that is not scan data (an answer, an error); Malformed:
// scan data that cannot be read up to the end of its channels. The blocks
// after the channels are read when they can be; a tail that cannot be read
// leaves tailRead false but the scan stands. out's storage is reused.
LmdResult decodeLmdScandata(std::string_view telegram, LmdScan& out);

// DIST1 as the station's readings: value * scale + offset in millimetres,
// whole centimetres; a value below 16 (0: no echo, 1: dazzled, the rest
// reserved) or a distance below 0 is kNoReading. False when the scan has no
// DIST1 or it cannot be placed (no values, a step of 0, a scale that is not a
// positive number).
bool lmdDistancesToStation(const LmdScan& scan, StationScan& out);
