#pragma once
// What gpsd sends a client that watches a receiver's NMEA: the receiver's
// sentences as they came, and between them gpsd's own reports, one JSON object
// per line (a line starting with '{'). The reports are taken out here so that
// the sentence assembler sees the receiver's bytes alone, as on a serial line.
#include <cstddef>

enum class GpsdByte {
  Pass,          // a byte of the receiver's stream
  Skip,          // a byte of one of gpsd's reports
  WatchStarted,  // the last byte of gpsd's reply to the watch request
};

struct GpsdStreamFilter {
  bool atLineStart = true;
  bool inReport = false;
  // The start of the report being skipped: enough to tell its class.
  char head[24] = {};
  std::size_t headLength = 0;
};

GpsdByte filterGpsdByte(GpsdStreamFilter& filter, char byte);
