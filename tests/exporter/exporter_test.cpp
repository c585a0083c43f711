// torva-export run as an operator runs it, its file read back by an MCAP
// reader that is not ours (@mcap/core, through mcap_check/check_export.js,
// which reads the recording on its own too): every row of the recording a
// message at its time, each valid against its schema; what a crash or a lost
// file leaves exports with one line each; a recording it cannot read costs
// one line and status 1.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "exporter/run_recording.h"
#include "mcap/mcap_writer.h"
#include "record/recording_files.h"
#include "record/recording_rows.h"
#include "tests/support/child_process.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_dir.h"

namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kExportTool = TORVA_BINARY_DIR "/exporter/torva-export";

void writeFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and error together
};

ToolRun runCommand(const std::vector<std::string>& command) {
  ChildProcess child;
  ToolRun r;
  if (!child.start(command)) return r;
  r.status = child.wait(120s);
  r.output = child.output();
  return r;
}

ToolRun exportTool(const std::vector<std::string>& args) {
  std::vector<std::string> command{kExportTool};
  command.insert(command.end(), args.begin(), args.end());
  return runCommand(command);
}

// The independent reader's verdict on exported files, each beside the
// recording it came from: a line "FILE: ok: ..." each, or "FILE: fail: ..."
// lines. One run for them all: the reader takes a while to start.
ToolRun readBack(const std::vector<std::pair<fs::path, fs::path>>& exported) {
  std::vector<std::string> command{TORVA_NODE, TORVA_MCAP_CHECK};
  for (const auto& [recording, mcap] : exported) {
    command.push_back(recording.string());
    command.push_back(mcap.string());
  }
  return runCommand(command);
}

// A crash in the middle of writing a row: its last bytes never reached the disk.
void cutLastRow(const fs::path& file) {
  const std::string text = fileText(file);
  writeFile(file, text.substr(0, text.size() - 9));
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A recording of a drive down a corridor, written with the recorder's own
// row writers: status rows and scans at 10 a second (kRows of them, 30 s,
// are enough for more than one chunk), a real receiver's NMEA in reads of uneven sizes (no
// fix at first, then fixes), commands from two threads one a little out of
// time order, and the start time the recorder writes.
constexpr int kRows = 300;
constexpr const char* kStartText = "1714564800.250000\n";

fs::path makeRecording(const TempDir& dir, int rows = kRows) {
  const fs::path folder = dir.path() / "20240501-120000";
  fs::create_directories(folder);
  using namespace recording;
  std::string robot = std::string(kRobotHeader) + "\n";
  std::string laser = std::string(kLaserHeader) + "\n";
  std::string poses = std::string(kLaserPoseHeader) + "\n";
  for (int k = 0; k < rows; ++k) {
    RobotRecord r;
    r.seconds = 0.5 + 0.1 * k;
    r.xMm = 1000 + 15.0 * k;
    r.yMm = -2000 + 0.01 * k * k;
    r.headingDeg = 0.1 * k;
    r.leftMmPerS = r.rightMmPerS = r.velMmPerS = 150;
    r.stall = k % 50 == 10 ? 0x101 : 0;
    r.battery = 12.5 - 0.001 * k;
    r.odoDx = static_cast<float>((r.xMm - 1000) / 1000);
    r.odoDy = static_cast<float>((r.yMm + 2000) / 1000);
    appendRobotRow(robot, r);

    // The scan marked from this row's pose, as the station's cells give it.
    std::vector<float> ranges(361);
    for (int i = 0; i < 361; ++i) {
      const double angle = i * 3.14159265358979 / 360.0;
      const double side = std::abs(std::cos(angle)) > 1e-3 ? 1.5 / std::abs(std::cos(angle)) : 99;
      ranges[static_cast<std::size_t>(i)] = static_cast<float>(
          i % 60 == 7 ? 81.91 : std::min(side, 9.0 - 0.01 * k) + 0.001 * (i % 7));
    }
    const double seconds = r.seconds + 0.03;
    appendLaserRow(laser, seconds, ranges.data(), 361);
    const int row = 250 + static_cast<int>(static_cast<float>(r.odoDx / 0.1));
    const int col = 250 + static_cast<int>(static_cast<float>(-r.odoDy / 0.1));
    appendLaserPoseRow(poses, seconds, row, col, static_cast<float>(r.headingDeg * 3.1415927 / 180),
                       k);
  }
  writeFile(folder / kRobot, robot);
  writeFile(folder / kLaser, laser);
  writeFile(folder / kLaserPose, poses);

  const std::string nmea = fileText(TORVA_TEST_DATA "/nmea/hemi.log");
  std::string times = std::string(kGpsTimesHeader) + "\n";
  std::size_t at = 0;
  for (int k = 0; at < nmea.size(); ++k) {
    const std::size_t count = std::min<std::size_t>(nmea.size() - at, 37 + (k * 53) % 211);
    appendGpsTimesRow(times, 0.2 + 0.1 * k, count);
    at += count;
  }
  writeFile(folder / kGpsBytes, nmea);
  writeFile(folder / kGpsTimes, times);

  std::string commands = std::string(kCommandsHeader) + "\n";
  appendCommandRow(commands, 0.40, kOriginDialog, 1003, true, 130);
  appendCommandRow(commands, 0.55, kOriginRobot, 4, true, 1);
  appendCommandRow(commands, 0.549990, kOriginKey, 38, true, 1);  // another thread, a moment before
  appendCommandRow(commands, 3.2, kOriginKey, 38, true, 0);
  appendCommandRow(commands, 12.0, kOriginMenu, 40001, false, 0);
  appendCommandRow(commands, 30.1, kOriginWindow, 0, false, 0);
  writeFile(folder / kCommands, commands);
  writeFile(folder / kStart, kStartText);
  return folder;
}

// The number after "in " and before " chunks" in the reader's verdict.
int chunksIn(const std::string& verdict) {
  const std::size_t at = verdict.find(" messages in ");
  return at == std::string::npos ? 0 : std::atoi(verdict.c_str() + at + 13);
}
}  // namespace

TEST(TorvaExport, AnIndependentReaderFindsEveryRowOfTheRecording) {
  ASSERT_TRUE(fs::exists(TORVA_NODE)) << "node is missing: scripts/setup installs it";
  TempDir dir;
  const fs::path folder = makeRecording(dir);
  const ToolRun exported = exportTool({folder.string()});
  ASSERT_EQ(exported.status, 0) << exported.output;
  EXPECT_EQ(exported.output, "torva-export: " + std::to_string(kRows) + " barridos, " +
                                 std::to_string(kRows) +
                                 " paquetes de estado, 21 posiciones GPS, 6 ordenes en " +
                                 folder.string() + "/registro.mcap\n");
  const fs::path mcap = folder / "registro.mcap";
  const ToolRun verdict = readBack({{folder, mcap}});
  EXPECT_EQ(verdict.status, 0) << verdict.output;
  EXPECT_EQ(verdict.output.rfind(mcap.string() + ": ok: ", 0), 0u) << verdict.output;
  EXPECT_GE(chunksIn(verdict.output), 2) << "indexed reading across chunks: " << verdict.output;
  EXPECT_FALSE(fs::exists(folder / "registro.mcap.parcial"));
}

// What a crash or a lost file leaves: the rest exported, one line for each
// loss, and the file still what the reader expects of the rows that are left.
TEST(TorvaExport, ARecordingCutShortExportsWhatItHoldsWithOneLineForEachLoss) {
  ASSERT_TRUE(fs::exists(TORVA_NODE)) << "node is missing: scripts/setup installs it";
  using namespace recording;
  struct Case {
    const char* name;
    void (*damage)(const fs::path& folder);
    const char* says;  // the one line, after "torva-export: "; empty: none
  };
  const Case cases[] = {
      {"a scan cut short by a crash", [](const fs::path& f) { cutLastRow(f / kLaser); },
       "laser.tsv, laser_pose.csv: 1 barridos a medio grabar; se dejan fuera"},
      {"a status row cut short", [](const fs::path& f) { cutLastRow(f / kRobot); },
       "robot.csv: la ultima fila esta cortada; se deja fuera"},
      {"GPS bytes whose read was not written", [](const fs::path& f) { cutLastRow(f / kGpsTimes); },
       "gps_tiempos.csv: 1 lecturas a medio grabar; se dejan fuera"},
      {"no GPS file", [](const fs::path& f) { fs::remove(f / kGpsBytes); }, "falta gps.nmea en "},
      {"an empty laser file", [](const fs::path& f) { writeFile(f / kLaser, ""); },
       "laser.tsv: sin filas completas; se exporta sin barridos"},
      {"no commands file", [](const fs::path& f) { fs::remove(f / kCommands); },
       "falta comandos.csv en "},
      {"a recording from before inicio.txt: the folder's name gives the start",
       [](const fs::path& f) { fs::remove(f / kStart); }, ""},
  };
  std::vector<std::unique_ptr<TempDir>> dirs;
  std::vector<std::pair<fs::path, fs::path>> exported;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TempDir& dir = *dirs.emplace_back(std::make_unique<TempDir>());
    const fs::path folder = makeRecording(dir, 40);
    c.damage(folder);
    const ToolRun r = exportTool({folder.string(), "-o", dir.file("run.mcap")});
    ASSERT_EQ(r.status, 0) << r.output;
    const std::vector<std::string> lines = linesOf(r.output);
    const std::size_t notes = std::string(c.says).empty() ? 0 : 1;
    ASSERT_EQ(lines.size(), notes + 1) << r.output;
    if (notes == 1) {
      EXPECT_EQ(lines[0].rfind(std::string("torva-export: ") + c.says, 0), 0u) << lines[0];
    }
    exported.emplace_back(folder, dir.file("run.mcap"));
  }
  const ToolRun verdict = readBack(exported);
  EXPECT_EQ(verdict.status, 0) << verdict.output;
  for (std::size_t i = 0; i < exported.size(); ++i) {
    EXPECT_NE(verdict.output.find(exported[i].second.string() + ": ok: "), std::string::npos)
        << cases[i].name << "\n"
        << verdict.output;
  }
}

// Each recording it cannot read: one line naming what is wrong, status 1, no file.
TEST(TorvaExport, ARecordingItCannotReadGivesOneLineAndStatusOne) {
  using namespace recording;
  struct Case {
    const char* name;
    const char* file;     // replaced; nullptr: nothing is
    const char* content;  // nullptr: the file is removed
    const char* says;
  };
  const Case cases[] = {
      {"no laser file", kLaser, nullptr, "falta laser.tsv en "},
      {"no pose file", kLaserPose, nullptr, "falta laser_pose.csv en "},
      {"a picture for a scan file", kLaser, "\x89PNG\r\n\x1a\n garbage\n",
       "laser.tsv: linea 1: cabecera inesperada"},
      {"a status value that is not a number", kRobot,
       "tiempo_s,x_mm,y_mm,rumbo_grados,vel_izquierda_mm_s,vel_derecha_mm_s,vel_mm_s,bloqueo,"
       "bateria_v,odometria_dx_m,odometria_dy_m,gps_dx_m,gps_dy_m\n"
       "0.1,0,0,0,0,0,0,0,12,0,0,0,0\n0.2,x,0,0,0,0,0,0,12,0,0,0,0\n",
       "robot.csv: linea 3: valor no valido"},
      {"a command row missing a column", kCommands,
       "tiempo_s,origen,numero,argumento\n0.5,tecla,38\n", "comandos.csv: linea 2: se esperan 4"},
      {"a command without a number", kCommands, "tiempo_s,origen,numero,argumento\n0.5,tecla,,1\n",
       "comandos.csv: linea 2: valor no valido"},
      {"GPS reads going back in time", kGpsTimes, "tiempo_s,bytes\n0.5,10\n0.4,10\n",
       "gps_tiempos.csv: linea 3: el tiempo va hacia atras"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const fs::path folder = makeRecording(dir);
    if (c.content == nullptr) {
      fs::remove(folder / c.file);
    } else {
      writeFile(folder / c.file, c.content);
    }
    const ToolRun r = exportTool({folder.string(), "-o", dir.file("out.mcap")});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_EQ(r.output.rfind(std::string("torva-export: ") + c.says, 0), 0u) << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    EXPECT_FALSE(fs::exists(dir.file("out.mcap")));
  }

  // A folder that is none, an output over the recording's own file, a file
  // it cannot create: nothing written.
  TempDir dir;
  const fs::path folder = makeRecording(dir);
  ToolRun r = exportTool({dir.file("missing")});
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_EQ(r.output.rfind("torva-export: falta laser.tsv en ", 0), 0u) << r.output;
  const std::string laser = fileText(folder / recording::kLaser);
  r = exportTool({folder.string(), "-o", (folder / recording::kLaser).string()});
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("laser.tsv es un fichero del registro"), std::string::npos) << r.output;
  EXPECT_EQ(fileText(folder / recording::kLaser), laser) << "the recording as it was";
  r = exportTool({folder.string(), "-o", dir.file("no/such/folder.mcap")});
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_EQ(r.output.rfind("torva-export: no se puede crear ", 0), 0u) << r.output;
  EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
}

TEST(TorvaExport, FollowsTheCommandLineConventions) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* starts;
  } cases[] = {
      {{"--help"}, 0, "uso: torva-export "},
      {{"--version"}, 0, "torva-export 1.0.0\n"},
      {{"--bogus"}, 2, "torva-export: opcion desconocida: --bogus\nuso: torva-export "},
      {{}, 2, "torva-export: falta la carpeta del registro\n"},
      {{"a", "b"}, 2, "torva-export: sobra b"},
      {{"a", "-o"}, 2, "torva-export: falta el valor de -o"},
  };
  for (const auto& c : cases) {
    const ToolRun r = exportTool(c.args);
    EXPECT_EQ(r.status, c.status) << c.starts << r.output;
    EXPECT_EQ(r.output.rfind(c.starts, 0), 0u) << r.output;
  }
}

// The run's start: inicio.txt to the nanosecond, else the folder's name in
// local time; anything else is no start time.
TEST(TorvaExport, TheStartTimeComesFromInicioOrTheFolderName) {
  const struct {
    const char* text;
    bool ok;
    std::int64_t ns;
  } files[] = {
      {"1714564800.250000\n", true, 1714564800250000000},
      {"1714564800\n", true, 1714564800000000000},
      {"1714564800.123456789\r\n", true, 1714564800123456789},
      {"1714564800.25", false, 0},  // cut before its line end
      {"-1714564800\n", false, 0},
      {"1714564800.1234567891\n", false, 0},
      {"17145648e2\n", false, 0},
      {"\n", false, 0},
  };
  for (const auto& f : files) {
    std::int64_t ns = -1;
    EXPECT_EQ(parseStartTime(f.text, ns), f.ok) << f.text;
    if (f.ok) {
      EXPECT_EQ(ns, f.ns) << f.text;
    }
  }

  const char* zone = std::getenv("TZ");
  const std::string saved = zone != nullptr ? zone : "";
  // A rule of its own: no time zone files needed.
  ::setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
  ::tzset();
  const struct {
    const char* name;
    bool ok;
    std::int64_t seconds;
  } folders[] = {
      {"20240501-120000", true, 1714579200},  // noon in summer time, UTC-4
      {"20240501-120000-2", true, 1714579200},
      {"20240115-080000", true, 1705323600},  // winter: UTC-5
      {"20240231-120000", false, 0},
      {"20240501-1200", false, 0},
      {"20240501-120000-x", false, 0},
      {"19600101-000000", false, 0},
      {"registro", false, 0},
  };
  for (const auto& f : folders) {
    std::int64_t ns = -1;
    EXPECT_EQ(folderStartTime(f.name, ns), f.ok) << f.name;
    if (f.ok) {
      EXPECT_EQ(ns, f.seconds * 1000000000) << f.name;
    }
  }
  if (zone != nullptr) {
    ::setenv("TZ", saved.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

// A disk that takes nothing: the writer says so instead of leaving a file
// that looks whole.
TEST(McapWriter, AWriteThatFailsIsTold) {
  McapWriter writer(1024);
  std::string error;
  ASSERT_TRUE(writer.open("/dev/full", "test", error)) << error;
  const auto channel = writer.addChannel(writer.addSchema("s", "jsonschema", "{}"), "/t", "json");
  const std::string message(600, 'x');
  for (int i = 0; i < 4000 && writer.addMessage(channel, 1000 + i, message); ++i) {
  }
  EXPECT_FALSE(writer.finish(error));
  EXPECT_EQ(error.rfind("no se puede escribir /dev/full (", 0), 0u) << error;
}
