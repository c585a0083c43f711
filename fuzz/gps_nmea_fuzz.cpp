// Any byte stream from the receiver: the sentence assembler, the GGA parser and
// the fix tracking behind them must not crash, and an accepted position must
// lie within its ranges.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "gps/gga_sentence.h"
#include "gps/gps_reader_state.h"
#include "state/robot_controller.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The status blocks would drown the fuzzer's own output.
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) ::dup2(null, STDOUT_FILENO);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto rc = std::make_unique<RobotController>();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // The whole input as one sentence.
  GgaSentence sentence;
  const GgaParse parse = parseGgaSentence(bytes, sentence);
  if (parse.status == GgaStatus::Accepted && sentence.hasPosition) {
    if (sentence.latitude.minutes < 0 || sentence.latitude.minutes >= 60 ||
        sentence.longitude.minutes < 0 || sentence.longitude.minutes >= 60) {
      std::abort();
    }
  }

  // The input as a stream, read in pieces of ten bytes.
  auto state = std::make_unique<GpsReaderState>();
  for (std::size_t i = 0; i < size; ++i) {
    gpsByteReceived(*state, *rc, bytes[i], static_cast<int>(i % 10));
  }
  return 0;
}
