#include "exporter/run_recording.h"

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "record/record_text.h"
#include "record/recording_files.h"

namespace {
namespace fs = std::filesystem;

// Lines the file holds whole, its header among them.
long wholeLines(std::string_view text) {
  return static_cast<long>(std::count(text.begin(), text.end(), '\n'));
}

// Rows written after the header, a last one cut short by a crash among them.
long rowsWritten(std::string_view text) {
  const long whole = wholeLines(text);
  if (whole == 0) return 0;
  return whole - 1 + (text.back() != '\n' ? 1 : 0);
}

// A last row without its line end, which the readers leave out.
void noteCutRow(std::string_view text, const char* name, std::vector<std::string>& notes) {
  if (wholeLines(text) > 0 && text.back() != '\n') {
    notes.push_back(std::string(name) + ": la ultima fila esta cortada; se deja fuera");
  }
}

// Reads an optional file: false with no error when it is missing (noted,
// with what the export goes without) or holds no whole line (noted too).
bool readOptional(const std::string& dir, const char* name, const char* without, std::string& text,
                  std::vector<std::string>& notes, std::string& error) {
  std::error_code ec;
  if (!fs::exists(fs::path(dir) / name, ec)) {
    notes.push_back(std::string("falta ") + name + " en " + dir + "; se exporta sin " + without);
    return false;
  }
  if (!readRecordingFile(dir, name, text, error)) return false;
  if (wholeLines(text) == 0) {
    notes.push_back(std::string(name) + ": sin filas completas; se exporta sin " + without);
    return false;
  }
  return true;
}

bool allDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The digits as a number (at most 18 of them).
std::int64_t digitsValue(std::string_view text) {
  std::int64_t v = 0;
  for (char c : text) v = v * 10 + (c - '0');
  return v;
}

// The scans with their poses; false when the pair cannot be read.
bool loadLaser(const std::string& dir, RunRecording& out, std::string& error) {
  using namespace recording;
  std::string laserText, poseText;
  if (!readRecordingFile(dir, kLaser, laserText, error) ||
      !readRecordingFile(dir, kLaserPose, poseText, error)) {
    return false;
  }
  // A file with no whole line: the run ended before its header reached the disk.
  bool empty = false;
  for (const auto& [name, text] :
       {std::pair{kLaser, &laserText}, std::pair{kLaserPose, &poseText}}) {
    if (wholeLines(*text) == 0) {
      out.notes.push_back(std::string(name) + ": sin filas completas; se exporta sin barridos");
      empty = true;
    }
  }
  if (empty) return true;
  if (!parseLaserRecords(laserText, poseText, out.scans, error)) return false;
  // A crash leaves the last scan half written in one file of the pair or both.
  const long lost =
      std::max(rowsWritten(laserText), rowsWritten(poseText)) - static_cast<long>(out.scans.size());
  if (lost > 0) {
    out.notes.push_back(std::string(kLaser) + ", " + kLaserPose + ": " + std::to_string(lost) +
                        " barridos a medio grabar; se dejan fuera");
  }
  return true;
}

// The GPS line's reads; false when its files cannot be read.
bool loadGps(const std::string& dir, RunRecording& out, std::string& error) {
  using namespace recording;
  std::error_code ec;
  if (!fs::exists(fs::path(dir) / kGpsBytes, ec)) {
    out.notes.push_back(std::string("falta ") + kGpsBytes + " en " + dir + "; se exporta sin GPS");
    return true;
  }
  std::string times;
  if (!readOptional(dir, kGpsTimes, "GPS", times, out.notes, error)) return error.empty();
  std::vector<GpsChunk>& chunks = out.gpsReads;
  if (!readRecordingFile(dir, kGpsBytes, out.gpsBytes, error) ||
      !parseGpsChunks(times, out.gpsBytes.size(), chunks, error)) {
    return false;
  }
  // A crash leaves a read's bytes without their row, or its row cut short:
  // one line for the loss.
  const long lost = rowsWritten(times) - static_cast<long>(chunks.size());
  const std::size_t timed = chunks.empty() ? 0 : chunks.back().offset + chunks.back().count;
  if (lost > 0) {
    out.notes.push_back(std::string(kGpsTimes) + ": " + std::to_string(lost) +
                        " lecturas a medio grabar; se dejan fuera");
  } else if (out.gpsBytes.size() > timed) {
    out.notes.push_back(std::string(kGpsBytes) + ": " +
                        std::to_string(out.gpsBytes.size() - timed) + " bytes sin su fila en " +
                        kGpsTimes + "; se dejan fuera");
  }
  return true;
}

void loadStart(const std::string& dir, RunRecording& out) {
  std::error_code ec;
  std::string text, error;
  if (fs::exists(fs::path(dir) / recording::kStart, ec)) {
    if (readRecordingFile(dir, recording::kStart, text, error) &&
        parseStartTime(text, out.startNs)) {
      out.startSource = StartSource::File;
      return;
    }
    out.notes.push_back(std::string(recording::kStart) +
                        ": no es una hora de inicio; se toma la del nombre de la carpeta");
  }
  const fs::path folder = fs::path(dir).lexically_normal();
  std::string name = folder.filename().string();
  if (name.empty()) name = folder.parent_path().filename().string();
  if (folderStartTime(name, out.startNs)) {
    out.startSource = StartSource::FolderName;
    return;
  }
  out.startNs = 0;
  out.notes.push_back(
      "sin hora de inicio (ni inicio.txt ni una carpeta AAAAMMDD-HHMMSS); los tiempos cuentan "
      "desde el 1 de enero de 1970");
}
}  // namespace

bool loadRunRecording(const std::string& dir, RunRecording& out, std::string& error) {
  using namespace recording;
  out = RunRecording{};
  out.folder = dir;
  if (!loadLaser(dir, out, error)) return false;

  std::string text;
  if (readOptional(dir, kRobot, "el estado del robot", text, out.notes, error)) {
    if (!parseRobotRecords(text, out.robot, error)) return false;
    noteCutRow(text, kRobot, out.notes);
  } else if (!error.empty()) {
    return false;
  }
  if (readOptional(dir, kCommands, "las ordenes", text, out.notes, error)) {
    if (!parseCommandRecords(text, out.commands, error)) return false;
    noteCutRow(text, kCommands, out.notes);
  } else if (!error.empty()) {
    return false;
  }
  if (!loadGps(dir, out, error)) return false;
  loadStart(dir, out);
  return true;
}

bool isRecordingFile(const std::string& dir, const std::string& path) {
  using namespace recording;
  for (const char* name : {kGpsBytes, kGpsTimes, kLaser, kLaserPose, kRobot, kRobotPackets,
                           kConnections, kCommands, kMap, kStart}) {
    std::error_code ec;
    if (fs::equivalent(fs::path(dir) / name, path, ec)) return true;
  }
  return false;
}

bool parseStartTime(std::string_view text, std::int64_t& ns) {
  // "SECONDS[.FRACTION]" and the line end.
  if (text.empty() || text.back() != '\n') return false;
  text.remove_suffix(1);
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  const std::size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view fraction =
      dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  if (!allDigits(whole) || whole.size() > 11) return false;
  if (dot != std::string_view::npos && (!allDigits(fraction) || fraction.size() > 9)) return false;
  std::int64_t nanos = digitsValue(fraction);
  for (std::size_t i = fraction.size(); i < 9; ++i) nanos *= 10;
  ns = digitsValue(whole) * 1000000000 + nanos;
  return true;
}

bool folderStartTime(std::string_view name, std::int64_t& ns) {
  if (name.size() < 15 || name[8] != '-' || !allDigits(name.substr(0, 8)) ||
      !allDigits(name.substr(9, 6))) {
    return false;
  }
  if (name.size() > 15 && (name[15] != '-' || !allDigits(name.substr(16)))) return false;
  std::tm local{};
  local.tm_year = static_cast<int>(digitsValue(name.substr(0, 4))) - 1900;
  local.tm_mon = static_cast<int>(digitsValue(name.substr(4, 2))) - 1;
  local.tm_mday = static_cast<int>(digitsValue(name.substr(6, 2)));
  local.tm_hour = static_cast<int>(digitsValue(name.substr(9, 2)));
  local.tm_min = static_cast<int>(digitsValue(name.substr(11, 2)));
  local.tm_sec = static_cast<int>(digitsValue(name.substr(13, 2)));
  local.tm_isdst = -1;  // whatever the zone's rule was on that day
  if (local.tm_year < 70 || local.tm_mon > 11 || local.tm_mday < 1 || local.tm_mday > 31 ||
      local.tm_hour > 23 || local.tm_min > 59 || local.tm_sec > 60) {
    return false;
  }
  const int month = local.tm_mon, day = local.tm_mday;
  const std::time_t t = std::mktime(&local);
  // mktime moves a day that does not exist (31 February) into the next month.
  if (t < 0 || local.tm_mon != month || local.tm_mday != day) return false;
  ns = static_cast<std::int64_t>(t) * 1000000000;
  return true;
}
