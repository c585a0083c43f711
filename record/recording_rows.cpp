#include "record/recording_rows.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>

#include "aria/ar_packet.h"
#include "record/record_text.h"
#include "record/recording_files.h"

namespace {
constexpr int kMaxReadings = 65536;  // the most readings the station takes in one scan

void appendText(std::string& out, std::string_view text) {
  // Names come from the robot: nothing in them may break the row.
  for (char c : text) out.push_back(c == ',' || c == '\n' || c == '\r' ? ' ' : c);
}

std::string where(const char* file, long line, std::string_view why) {
  return std::string(file) + ": linea " + std::to_string(line) + ": " + std::string(why);
}

// Checks the header line; false with error set.
bool takeHeader(LineReader& lines, const char* file, const char* header, std::string& error) {
  std::string_view line;
  if (!lines.next(line)) {
    error = std::string(file) + ": vacio, falta la cabecera";
    return false;
  }
  if (line != header) {
    error = where(file, 1, "cabecera inesperada");
    return false;
  }
  return true;
}

bool takeTime(std::string_view field, double& previous, const char* file, long line, double& out,
              std::string& error) {
  if (!parseDoubleField(field, out) || out < 0) {
    error = where(file, line, "tiempo no valido");
    return false;
  }
  if (out < previous) {
    error = where(file, line, "el tiempo va hacia atras");
    return false;
  }
  previous = out;
  return true;
}

bool parseCount(std::string_view field, long low, long high, long& out) {
  return parseIntField(field, out) && out >= low && out <= high;
}

// What a row's reader makes of it.
enum class RowVerdict { Next, Stop, Fail };

// The rows of a text file after its header, each split on the separator and
// checked for its column count (`columns`, or at least `columns` when
// atLeast) and its time (first column, never going back); then handed to
// take(line number, fields, seconds), which sets error when it fails. False
// with a one-line reason naming the file and the line.
template <class Take>
bool forEachRow(std::string_view text, const char* file, const char* header, char separator,
                std::size_t columns, bool atLeast, std::string& error, Take take) {
  LineReader lines(text);
  if (!takeHeader(lines, file, header, error)) return false;
  std::vector<std::string_view> fields;
  std::string_view line;
  double previous = 0;
  while (lines.next(line)) {
    const long n = lines.lineNumber();
    splitFields(line, separator, fields);
    if (atLeast ? fields.size() < columns : fields.size() != columns) {
      error = where(file, n,
                    atLeast ? std::string("fila incompleta")
                            : "se esperan " + std::to_string(columns) + " columnas");
      return false;
    }
    double seconds = 0;
    if (!takeTime(fields[0], previous, file, n, seconds, error)) return false;
    switch (take(n, fields, seconds)) {
      case RowVerdict::Next:
        break;
      case RowVerdict::Stop:
        return true;
      case RowVerdict::Fail:
        return false;
    }
  }
  return true;
}
}  // namespace

void appendLaserRow(std::string& out, double seconds, const float* ranges, int count) {
  appendSeconds(out, seconds);
  out.push_back('\t');
  appendInt(out, count);
  for (int i = 0; i < count; ++i) {
    out.push_back('\t');
    appendFloat(out, ranges[i]);
  }
  out.push_back('\n');
}

void appendLaserPoseRow(std::string& out, double seconds, int mapRow, int mapCol, float headingRad,
                        long packet) {
  appendSeconds(out, seconds);
  out.push_back(',');
  appendInt(out, mapRow);
  out.push_back(',');
  appendInt(out, mapCol);
  out.push_back(',');
  appendFloat(out, headingRad);
  out.push_back(',');
  appendInt(out, packet);
  out.push_back('\n');
}

void appendRobotRow(std::string& out, const RobotRecord& r) {
  appendSeconds(out, r.seconds);
  for (double v : {r.xMm, r.yMm, r.headingDeg, r.leftMmPerS, r.rightMmPerS, r.velMmPerS}) {
    out.push_back(',');
    appendDouble(out, v);
  }
  out.push_back(',');
  appendInt(out, r.stall);
  out.push_back(',');
  appendDouble(out, r.battery);
  for (float v : {r.odoDx, r.odoDy, r.gpsDx, r.gpsDy}) {
    out.push_back(',');
    appendFloat(out, v);
  }
  out.push_back('\n');
}

void appendGpsTimesRow(std::string& out, double seconds, std::size_t count) {
  appendSeconds(out, seconds);
  out.push_back(',');
  appendInt(out, static_cast<long>(count));
  out.push_back('\n');
}

void appendConnectionRow(std::string& out, const ConnectionRecord& r) {
  appendSeconds(out, r.seconds);
  for (const std::string* s : {&r.name, &r.robotClass, &r.model}) {
    out.push_back(',');
    appendText(out, *s);
  }
  out.push_back('\n');
}

void appendCommandRow(std::string& out, double seconds, std::string_view origin, int number,
                      bool hasArgument, int argument) {
  appendSeconds(out, seconds);
  out.push_back(',');
  out.append(origin);
  out.push_back(',');
  appendInt(out, number);
  out.push_back(',');
  if (hasArgument) appendInt(out, argument);
  out.push_back('\n');
}

bool parseLaserRecords(std::string_view laserText, std::string_view poseText,
                       std::vector<LaserRecord>& out, std::string& error) {
  using namespace recording;
  out.clear();
  const bool scans =
      forEachRow(laserText, kLaser, kLaserHeader, '\t', 2, true, error,
                 [&](long n, const std::vector<std::string_view>& fields, double seconds) {
                   long count = 0;
                   if (!parseCount(fields[1], 0, kMaxReadings, count)) {
                     error = where(kLaser, n, "numero de lecturas no valido");
                     return RowVerdict::Fail;
                   }
                   if (fields.size() != static_cast<std::size_t>(count) + 2) {
                     error = where(kLaser, n,
                                   "se anuncian " + std::to_string(count) + " lecturas y hay " +
                                       std::to_string(fields.size() - 2));
                     return RowVerdict::Fail;
                   }
                   LaserRecord r;
                   r.seconds = seconds;
                   r.ranges.resize(static_cast<std::size_t>(count));
                   for (long i = 0; i < count; ++i) {
                     if (!parseFloatField(fields[static_cast<std::size_t>(i) + 2],
                                          r.ranges[static_cast<std::size_t>(i)])) {
                       error = where(kLaser, n, "lectura " + std::to_string(i) + " no valida");
                       return RowVerdict::Fail;
                     }
                   }
                   out.push_back(std::move(r));
                   return RowVerdict::Next;
                 });
  if (!scans) return false;

  std::size_t at = 0;
  const bool poses = forEachRow(
      poseText, kLaserPose, kLaserPoseHeader, ',', 5, false, error,
      [&](long n, const std::vector<std::string_view>& fields, double seconds) {
        long row = 0, col = 0, packet = 0;
        float heading = 0;
        if (!parseCount(fields[1], INT32_MIN, INT32_MAX, row) ||
            !parseCount(fields[2], INT32_MIN, INT32_MAX, col) ||
            !parseFloatField(fields[3], heading) || !parseCount(fields[4], -1, INT32_MAX, packet)) {
          error = where(kLaserPose, n, "valor no valido");
          return RowVerdict::Fail;
        }
        if (at == out.size()) return RowVerdict::Stop;  // rows beyond laser.tsv's: cut by a crash
        LaserRecord& r = out[at++];
        if (seconds != r.seconds) {
          error = where(kLaserPose, n, "no corresponde a la fila de laser.tsv");
          return RowVerdict::Fail;
        }
        r.mapRow = static_cast<int>(row);
        r.mapCol = static_cast<int>(col);
        r.headingRad = heading;
        r.packet = packet;
        return RowVerdict::Next;
      });
  if (!poses) return false;
  out.resize(at);
  return true;
}

bool parseRobotRecords(std::string_view text, std::vector<RobotRecord>& out, std::string& error) {
  using namespace recording;
  out.clear();
  return forEachRow(text, kRobot, kRobotHeader, ',', 13, false, error,
                    [&](long n, const std::vector<std::string_view>& fields, double seconds) {
                      RobotRecord r;
                      r.seconds = seconds;
                      double* doubles[] = {&r.xMm,        &r.yMm,         &r.headingDeg,
                                           &r.leftMmPerS, &r.rightMmPerS, &r.velMmPerS};
                      bool ok = true;
                      for (std::size_t i = 0; i < 6; ++i)
                        ok = ok && parseDoubleField(fields[i + 1], *doubles[i]);
                      ok = ok && parseCount(fields[7], 0, 0xFFFF, r.stall) &&
                           parseDoubleField(fields[8], r.battery);
                      float* floats[] = {&r.odoDx, &r.odoDy, &r.gpsDx, &r.gpsDy};
                      for (std::size_t i = 0; i < 4; ++i)
                        ok = ok && parseFloatField(fields[i + 9], *floats[i]);
                      if (!ok) {
                        error = where(kRobot, n, "valor no valido");
                        return RowVerdict::Fail;
                      }
                      out.push_back(r);
                      return RowVerdict::Next;
                    });
}

bool parseStatusPackets(std::string_view bytes, std::vector<std::vector<std::uint8_t>>& out,
                        std::string& error) {
  out.clear();
  const auto* b = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::string prefix = std::string(recording::kRobotPackets) + ": paquete " +
                               std::to_string(out.size() + 1) + ": ";
    // The last packet may have been cut by a crash.
    if (bytes.size() - at < 3) break;
    const int count = b[at + 2];
    if (b[at] != kPacketSync0 || b[at + 1] != kPacketSync1 || count < kPacketMinCount ||
        count > kPacketMaxCount) {
      error = prefix + "no es un paquete";
      return false;
    }
    const std::size_t size = static_cast<std::size_t>(count) + 3;
    if (bytes.size() - at < size) break;
    const std::uint16_t sum = packetChecksum(b + at + 3, static_cast<std::size_t>(count) - 2);
    if (b[at + size - 2] != (sum >> 8) || b[at + size - 1] != (sum & 0xFF)) {
      error = prefix + "suma de control erronea";
      return false;
    }
    if (b[at + 3] != 0x32 && b[at + 3] != 0x33) {
      error = prefix + "no es un paquete de estado";
      return false;
    }
    out.emplace_back(b + at, b + at + size);
    at += size;
  }
  return true;
}

bool parseGpsChunks(std::string_view timesText, std::size_t byteCount, std::vector<GpsChunk>& out,
                    std::string& error) {
  using namespace recording;
  out.clear();
  std::size_t offset = 0;
  return forEachRow(timesText, kGpsTimes, kGpsTimesHeader, ',', 2, false, error,
                    [&](long n, const std::vector<std::string_view>& fields, double seconds) {
                      long count = 0;
                      if (!parseCount(fields[1], 1, 1 << 20, count)) {
                        error = where(kGpsTimes, n, "numero de bytes no valido");
                        return RowVerdict::Fail;
                      }
                      GpsChunk c;
                      c.seconds = seconds;
                      c.offset = offset;
                      c.count = static_cast<std::size_t>(count);
                      if (byteCount - offset < c.count)
                        return RowVerdict::Stop;  // bytes cut by a crash
                      offset += c.count;
                      out.push_back(c);
                      return RowVerdict::Next;
                    });
}

bool parseConnections(std::string_view text, std::vector<ConnectionRecord>& out,
                      std::string& error) {
  using namespace recording;
  out.clear();
  return forEachRow(
      text, kConnections, kConnectionsHeader, ',', 4, false, error,
      [&](long, const std::vector<std::string_view>& fields, double seconds) {
        out.push_back(ConnectionRecord{seconds, std::string(fields[1]), std::string(fields[2]),
                                       std::string(fields[3])});
        return RowVerdict::Next;
      });
}

bool parseCommandRecords(std::string_view text, std::vector<CommandRecord>& out,
                         std::string& error) {
  using namespace recording;
  out.clear();
  LineReader lines(text);
  if (!takeHeader(lines, kCommands, kCommandsHeader, error)) return false;
  std::vector<std::string_view> fields;
  std::string_view line;
  while (lines.next(line)) {
    const long n = lines.lineNumber();
    splitFields(line, ',', fields);
    if (fields.size() != 4) {
      error = where(kCommands, n, "se esperan 4 columnas");
      return false;
    }
    CommandRecord row;
    if (!parseDoubleField(fields[0], row.seconds) || row.seconds < 0) {
      error = where(kCommands, n, "tiempo no valido");
      return false;
    }
    row.origin = fields[1];
    row.hasArgument = !fields[3].empty();
    long number = 0, argument = 0;
    if (row.origin.empty() || !parseCount(fields[2], INT_MIN, INT_MAX, number) ||
        (row.hasArgument && !parseCount(fields[3], INT_MIN, INT_MAX, argument))) {
      error = where(kCommands, n, "valor no valido");
      return false;
    }
    row.number = static_cast<int>(number);
    row.argument = static_cast<int>(argument);
    out.push_back(std::move(row));
  }
  std::stable_sort(out.begin(), out.end(), [](const CommandRecord& a, const CommandRecord& b) {
    return a.seconds < b.seconds;
  });
  return true;
}

bool readRecordingFile(const std::string& dir, const char* name, std::string& text,
                       std::string& error) {
  const std::string path = dir + "/" + name;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    error = errno == ENOENT ? std::string("falta ") + name + " en " + dir
                            : path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = path + ": no es un fichero";
    return false;
  }
  if (st.st_size > recording::kMaxFileBytes) {
    error = path + ": " + std::to_string(st.st_size) + " bytes, mas de los " +
            std::to_string(recording::kMaxFileBytes) + " que puede tener un registro";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  text.assign(static_cast<std::size_t>(st.st_size), '\0');
  in.read(text.data(), st.st_size);
  text.resize(static_cast<std::size_t>(in.gcount()));
  return true;
}
