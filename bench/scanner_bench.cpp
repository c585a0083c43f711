// torva-laser's cost per scan and its delay. Per scan, from the telegram's
// bytes to the scan file replaced: an LMS 2xx telegram of 361 values, and a
// CoLa-A LMDscandata of 1081 values (an LMS 1xx at 0.25 degree). At the
// scanners' full rates (an LMS 2xx at 500000 baud sends 37.5 scans a second
// at 0.5 degree, 75 at 1 degree; an LMS 1xx 25 or 50) the cost times the rate
// is torva-laser's share of a core. The delay: a telegram's last byte written
// on a real pseudo-terminal to the file renamed, torva-laser's own link on
// its own thread waiting for the line as it does in the program.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "scanner/cola_framer.h"
#include "scanner/lmd_scandata.h"
#include "scanner/lms_link.h"
#include "scanner/lms_receiver.h"
#include "scanner/lms_telegram.h"
#include "scanner/lms_values.h"
#include "scanner/scan_file_writer.h"
#include "sim/cola_scanner_sim.h"
#include "sim/default_world.h"
#include "sim/laser_scan_writer.h"
#include "sim/world_map.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"

namespace {
// The scan files go into a scratch folder in $TMPDIR (TMPDIR=/dev/shm: the
// file on tmpfs, without the disk's share).

std::vector<Wall> roomWalls() {
  return parseWorldMap(defaultWorldMapText()).map.value().walls;
}

// The room's scan as an LMS 2xx telegram of values in cm.
std::vector<uint8_t> lmsTelegram() {
  const std::vector<int> cm = castScan(roomWalls(), 1000, -500, 30, LaserSettings{}, nullptr);
  std::vector<uint8_t> data{static_cast<uint8_t>(cm.size() & 0xFF),
                            static_cast<uint8_t>(cm.size() >> 8)};
  for (int v : cm) {
    data.push_back(static_cast<uint8_t>(v & 0xFF));
    data.push_back(static_cast<uint8_t>(v >> 8));
  }
  return buildLmsTelegram(0x80, lms::kMeasuredValues, data, 0x10);
}

// Arg 1: the scan goes to the file; 0: decoded and placed only (the file's
// share is the difference).
struct LmsToFile : LmsFrameSink {
  ScanFileWriter* file = nullptr;
  LmsValues values;
  StationScan scan{};
  std::string why;
  void onFrame(const LmsFrame& frame) override {
    if (decodeLmsValues(frame.body, frame.size, values) == LmsValuesResult::Taken &&
        lmsValuesToStation(values, scan) && file != nullptr) {
      file->write(scan, why);
    }
    benchmark::DoNotOptimize(scan);
  }
};

void lmsTelegramToFile(benchmark::State& state) {
  TempDir dir;
  ScanFileWriter file(dir.file("data_sick.dat"));
  const std::vector<uint8_t> telegram = lmsTelegram();
  LmsReceiver receiver(true);
  LmsToFile sink;
  sink.file = state.range(0) != 0 ? &file : nullptr;
  for (auto _ : state) receiver.feed(telegram.data(), telegram.size(), sink);
}
BENCHMARK(lmsTelegramToFile)->Arg(0)->Arg(1);

struct ColaToFile : ColaTelegramSink {
  ScanFileWriter* file = nullptr;
  LmdScan scan;
  StationScan readings{};
  std::string why;
  void onTelegram(std::string_view text) override {
    if (decodeLmdScandata(text, scan) == LmdResult::Scan && lmdDistancesToStation(scan, readings) &&
        file != nullptr) {
      file->write(readings, why);
    }
    benchmark::DoNotOptimize(readings);
  }
};

void colaTelegramToFile(benchmark::State& state) {
  TempDir dir;
  ScanFileWriter file(dir.file("data_sick.dat"));
  SimColaScanner scanner(roomWalls(), [] { return SimPose{1000, -500, 0.5}; });
  const std::string telegram = colaTelegram(scanner.scanTelegram("sSN"));
  ColaFramer framer;
  ColaToFile sink;
  sink.file = state.range(0) != 0 ? &file : nullptr;
  for (auto _ : state) framer.feed(telegram.data(), telegram.size(), sink);
  state.counters["bytes"] = static_cast<double>(telegram.size());
}
BENCHMARK(colaTelegramToFile)->Arg(0)->Arg(1);

// The scanner's side of the set-up: every request acknowledged and answered.
struct Answer : LmsFrameSink {
  int fd = -1;
  int answered = 0;
  void onFrame(const LmsFrame& frame) override {
    std::vector<uint8_t> out{lms::kAck};
    const auto t = buildLmsTelegram(0x80, static_cast<uint8_t>(frame.command() | 0x80), {0}, 0x10);
    out.insert(out.end(), t.begin(), t.end());
    [[maybe_unused]] auto n = ::write(fd, out.data(), out.size());
    ++answered;
  }
};

void lmsLastByteToFile(benchmark::State& state) {
  TempDir dir;
  ScanFileWriter file(dir.file("data_sick.dat"));
  PtyPair pty;
  std::atomic<int> scans{0};
  std::atomic<int64_t> writtenNs{0};
  LinkHooks hooks;
  hooks.say = [](const std::string&) {};
  hooks.onScan = [&](const StationScan& scan) {
    std::string why;
    file.write(scan, why);
    writtenNs.store(std::chrono::steady_clock::now().time_since_epoch().count());
    scans.fetch_add(1);
    scans.notify_one();
  };
  LmsLink link(pty.slavePath, 38400, hooks);
  std::string why;
  if (!link.open(steadyMs(), -1, why)) {
    state.SkipWithError(why.c_str());
    return;
  }
  // Set-up: stop, variant, continuous output, each answered at once.
  Answer answer;
  answer.fd = pty.master;
  LmsReceiver requests(false);
  while (answer.answered < 3) {
    pollfd fds[2] = {{pty.master, POLLIN, 0}, {link.fd(), POLLIN, 0}};
    ::poll(fds, 2, 50);
    if ((fds[0].revents & POLLIN) != 0) {
      uint8_t bytes[256];
      const ssize_t n = ::read(pty.master, bytes, sizeof bytes);
      if (n > 0) requests.feed(bytes, static_cast<std::size_t>(n), answer);
    }
    if (link.step(steadyMs(), fds[1].revents)) {
      state.SkipWithError("the link was lost in its set-up");
      return;
    }
  }
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop.load()) {
      pollfd p{link.fd(), POLLIN, 0};
      ::poll(&p, 1, 50);
      link.step(steadyMs(), p.revents);
    }
  });
  const std::vector<uint8_t> telegram = lmsTelegram();
  std::vector<double> delays;
  for (auto _ : state) {
    const int before = scans.load();
    const auto sent = std::chrono::steady_clock::now();
    [[maybe_unused]] auto n = ::write(pty.master, telegram.data(), telegram.size());
    scans.wait(before);
    const auto written = std::chrono::steady_clock::time_point(
        std::chrono::steady_clock::duration(writtenNs.load()));
    const double delay = std::chrono::duration<double>(written - sent).count();
    state.SetIterationTime(delay);
    delays.push_back(delay);
    // A scan's time at 500000 baud and 0.5 degree, so the line never backs up.
    std::this_thread::sleep_for(std::chrono::microseconds(26667));
  }
  stop = true;
  reader.join();
  link.close();
  // The mean hides the slow ones: the median, the 99th percentile and the worst.
  std::sort(delays.begin(), delays.end());
  const auto at = [&](double q) {
    return delays[static_cast<std::size_t>(q * static_cast<double>(delays.size() - 1))] * 1e6;
  };
  state.counters["p50_us"] = at(0.5);
  state.counters["p99_us"] = at(0.99);
  state.counters["max_us"] = delays.back() * 1e6;
}
BENCHMARK(lmsLastByteToFile)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);
}  // namespace
