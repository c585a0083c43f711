// Seeds: LMDscandata telegrams in the layouts of the CoLa-A families (with and
// without remission, 8-bit channels, the blocks after the channels) and
// answers (fuzz/corpus/scanner_cola).
// CoLa-A on arbitrary bytes: the input as one telegram's text straight into
// the LMDscandata walk, then as a TCP stream through the framer, each framed
// telegram walked too. Readings must stay whole centimetres between 0 and the
// no-reading value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "scanner/cola_framer.h"
#include "scanner/lmd_scandata.h"

namespace {
void walk(std::string_view text) {
  static LmdScan scan;
  if (decodeLmdScandata(text, scan) != LmdResult::Scan) return;
  StationScan readings{};
  if (!lmdDistancesToStation(scan, readings)) return;
  for (int r : readings) {
    if (r < 0 || r > kNoReading) std::abort();
  }
}

struct Walk : ColaTelegramSink {
  void onTelegram(std::string_view text) override {
    if (text.size() > ColaFramer::kMaxTelegram) std::abort();
    walk(text);
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  walk(text);
  ColaFramer framer;
  Walk sink;
  const size_t piece = 1 + size % 97;
  for (size_t at = 0; at < size; at += piece) {
    framer.feed(text.data() + at, at + piece <= size ? piece : size - at, sink);
  }
  return 0;
}
