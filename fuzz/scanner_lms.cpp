// Seeds: telegrams of the published LMS 2xx listing, values in both units,
// garbage around them (fuzz/corpus/scanner_lms).
// The LMS 2xx serial line on arbitrary bytes, cut into reads of any size: the
// receiver of both ends, and every telegram of measured values decoded and
// placed on the station's half degrees. The readings must stay whole
// centimetres between 0 and the no-reading value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "scanner/lms_receiver.h"
#include "scanner/lms_telegram.h"
#include "scanner/lms_values.h"

namespace {
struct Decode : LmsFrameSink {
  LmsValues values;
  void onFrame(const LmsFrame& frame) override {
    if (frame.size < 1) std::abort();
    if (frame.command() != lms::kMeasuredValues) return;
    if (decodeLmsValues(frame.body, frame.size, values) != LmsValuesResult::Taken) return;
    StationScan scan{};
    if (!lmsValuesToStation(values, scan)) return;
    for (int r : scan) {
      if (r < 0 || r > kNoReading) std::abort();
    }
  }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  LmsReceiver fromScanner(true);
  LmsReceiver toScanner(false);
  Decode decode;
  // The first byte sets the read size, as a line hands bytes in any pieces.
  const size_t piece = size > 0 ? 1 + data[0] % 64 : 1;
  for (size_t at = size > 0 ? 1 : 0; at < size; at += piece) {
    const size_t n = at + piece <= size ? piece : size - at;
    fromScanner.feed(data + at, n, decode);
    toScanner.feed(data + at, n, decode);
  }
  return 0;
}
