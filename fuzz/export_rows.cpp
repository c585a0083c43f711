// Seeds: a commands file, GPS read times and bytes, a start time, a folder's
// name (fuzz/corpus/export_rows).
// What torva-export reads beyond record/'s readers, on arbitrary contents: the
// input is cut at its first NUL byte in two. The first piece is read as
// comandos.csv, inicio.txt and a folder's name; as gps_tiempos.csv it times
// the second piece's bytes, which go through the station's NMEA intake, and
// with the second as laser_pose.csv it is read as laser.tsv. Commands read
// back the same when written again; every message made of what was accepted
// is JSON, which has no infinity and no NaN.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "exporter/export_json.h"
#include "exporter/gps_fixes.h"
#include "exporter/run_recording.h"
#include "fuzz/two_files.h"
#include "record/recording_files.h"

namespace {
void mustBeJsonNumbers(const std::string& json) {
  if (json.find("inf") != std::string::npos || json.find("nan") != std::string::npos) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [first, second] = twoFiles(data, size);
  std::string error;
  std::string json;

  std::vector<CommandRecord> commands;
  // Written again only with times a run can have: the recorder's row writer
  // takes seconds since the run's start, not any number.
  const auto runTime = [](const CommandRecord& c) { return c.seconds < 1e9; };
  if (parseCommandRecords(first, commands, error) &&
      std::all_of(commands.begin(), commands.end(), runTime)) {
    std::string again = std::string(recording::kCommandsHeader) + "\n";
    for (const CommandRecord& c : commands) {
      appendCommandRow(again, c.seconds, c.origin, c.number, c.hasArgument, c.argument);
      appendCommand(json, 0, c);
    }
    std::vector<CommandRecord> back;
    if (!parseCommandRecords(again, back, error) || back.size() != commands.size()) std::abort();
    for (std::size_t i = 0; i < back.size(); ++i) {
      if (back[i].origin != commands[i].origin || back[i].number != commands[i].number ||
          back[i].hasArgument != commands[i].hasArgument ||
          back[i].argument != commands[i].argument) {
        std::abort();
      }
    }
  }
  std::int64_t ns = 0;
  parseStartTime(first, ns);
  folderStartTime(first, ns);

  std::vector<GpsChunk> chunks;
  if (parseGpsChunks(first, second.size(), chunks, error)) {
    for (const GpsFix& fix : gpsFixes(second, chunks).fixes) {
      json.clear();
      if (fix.hasPosition) appendLocationFix(json, 1, fix);
      if (fix.shown) appendGpsUtm(json, 1, fix.block);
      mustBeJsonNumbers(json);
    }
  }
  std::vector<LaserRecord> scans;
  if (parseLaserRecords(first, second, scans, error)) {
    for (const LaserRecord& scan : scans) {
      json.clear();
      appendLaserScan(json, 1, scan.ranges);
      mustBeJsonNumbers(json);
    }
  }
  return 0;
}
