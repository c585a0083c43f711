// NMEA bytes per second through the GPS intake: the sentence assembler and the
// GGA parser over the real receiver logs, beside memchr over the same bytes
// (the cheapest possible look at every byte) as a reference. The receiver
// sends 1920 bytes a second at 19200 baud.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "gps/gga_sentence.h"
#include "gps/gps_reader_state.h"
#include "gps/nmea_sentence_assembler.h"
#include "state/robot_controller.h"

namespace {

const std::string& receiverBytes() {
  static const std::string bytes = [] {
    std::string all;
    for (const char* name :
         {"bundg_zeus_9.log", "hemi.log", "skytraq-dgps.log", "ublox-lea-4h.log"}) {
      std::ifstream in(std::string(TORVA_TEST_DATA) + "/nmea/" + name, std::ios::binary);
      std::ostringstream text;
      text << in.rdbuf();
      all += text.str();
    }
    return all;
  }();
  return bytes;
}

void BM_AssembleAndParse(benchmark::State& state) {
  const std::string& bytes = receiverBytes();
  int accepted = 0;
  for (auto _ : state) {
    SentenceAssembler assembler;
    for (char c : bytes) {
      if (assembleByte(assembler, c) == AssembleResult::Complete) {
        GgaSentence gga;
        accepted +=
            parseGgaSentence(assembledSentence(assembler), gga).status == GgaStatus::Accepted;
      }
    }
    benchmark::DoNotOptimize(accepted);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  state.counters["gga"] = benchmark::Counter(accepted, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_AssembleAndParse);

// The whole intake as the reader runs it, fix tracking, projection and the
// status block included (printed to /dev/null).
void BM_FullIntake(benchmark::State& state) {
  const std::string& bytes = receiverBytes();
  auto rc = std::make_unique<RobotController>();
  std::fflush(stdout);
  const int saved = ::dup(STDOUT_FILENO);
  const int null = ::open("/dev/null", O_WRONLY);
  ::dup2(null, STDOUT_FILENO);
  for (auto _ : state) {
    auto reader = std::make_unique<GpsReaderState>();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      gpsByteReceived(*reader, *rc, bytes[i], static_cast<int>(i % 10));
    }
  }
  std::fflush(stdout);
  ::dup2(saved, STDOUT_FILENO);
  ::close(saved);
  ::close(null);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_FullIntake);

// Reference: finding every sentence start and line end with memchr.
void BM_MemchrReference(benchmark::State& state) {
  const std::string& bytes = receiverBytes();
  for (auto _ : state) {
    std::size_t found = 0;
    for (char wanted : {'$', '\n'}) {
      const char* at = bytes.data();
      const char* end = bytes.data() + bytes.size();
      while ((at = static_cast<const char*>(std::memchr(at, wanted, end - at))) != nullptr) {
        ++found;
        ++at;
      }
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_MemchrReference);

}  // namespace
