#include "exporter/run_export.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "exporter/export_json.h"
#include "exporter/gps_fixes.h"
#include "mapper/map_builder.h"
#include "mcap/mcap_writer.h"
#include "state/robot_controller.h"

namespace {
// What a message is; for messages of the same time, the order they go in.
enum class Kind : std::uint8_t {
  Map,
  RobotPose,
  RobotStatus,
  LaserPose,
  LaserScan,
  GpsFix,
  GpsUtm,
  Command
};

struct Event {
  std::uint64_t ns;
  Kind kind;
  std::uint32_t index;  // the row in its list
};

// Map cell values: what the picture of the map shows, the track over the hits.
constexpr std::uint8_t kEmptyCell = 0;
constexpr std::uint8_t kHitCell = 1;
constexpr std::uint8_t kTrackCell = 2;

// The station's final map, rebuilt as torva-map does, placed in the odom
// frame: its start cell on the first status packet's pose (the station's
// map counts from the first pose it takes), each cell centred on the
// distance its row and column stand for.
GridMessage finalMap(const RunRecording& run) {
  const MapGrids grids = buildMapGrids(run.scans, kGridSize);
  GridMessage grid;
  grid.size = grids.size;
  grid.data.resize(grids.obstacles.size(), kEmptyCell);
  for (std::size_t i = 0; i < grid.data.size(); ++i) {
    if (grids.track[i] != 0) {
      grid.data[i] = kTrackCell;
    } else if (grids.obstacles[i] != 0) {
      grid.data[i] = kHitCell;
    }
  }
  const double originX = run.robot.empty() ? 0.0 : run.robot.front().xMm / 1000.0;
  const double originY = run.robot.empty() ? 0.0 : run.robot.front().yMm / 1000.0;
  // Cell (row r, column c) stands for X = originX + (r - n/2) * 0.1 and
  // Y = originY - (c - n/2) * 0.1; the grid's corner is half a cell beyond
  // cell (0, 0) on both.
  const double half = (grids.size / 2 + 0.5) * 0.1;
  grid.cornerX = originX - half;
  grid.cornerY = originY + half;
  return grid;
}
}  // namespace

bool exportRun(const RunRecording& run, const std::string& path, ExportSummary& summary,
               std::string& error) {
  summary = ExportSummary{};
  const auto at = [&](double seconds) {
    return static_cast<std::uint64_t>(run.startNs + std::llround(seconds * 1e6) * 1000);
  };
  const GpsFixes gps = gpsFixes(run.gpsBytes, run.gpsReads);
  if (gps.discarded > 0) {
    summary.notes.push_back(
        std::to_string(gps.discarded) +
        " sentencias NMEA descartadas en el GPS, como las descarto la estacion");
  }

  std::vector<Event> events;
  events.reserve(2 * run.robot.size() + 2 * run.scans.size() + 2 * gps.fixes.size() +
                 run.commands.size() + 1);
  const auto add = [&](double seconds, Kind kind, std::size_t index) {
    events.push_back(Event{at(seconds), kind, static_cast<std::uint32_t>(index)});
  };
  for (std::size_t i = 0; i < run.robot.size(); ++i) {
    add(run.robot[i].seconds, Kind::RobotPose, i);
    add(run.robot[i].seconds, Kind::RobotStatus, i);
  }
  for (std::size_t i = 0; i < run.scans.size(); ++i) {
    add(run.scans[i].seconds, Kind::LaserPose, i);
    add(run.scans[i].seconds, Kind::LaserScan, i);
  }
  for (std::size_t i = 0; i < gps.fixes.size(); ++i) {
    if (gps.fixes[i].hasPosition) add(gps.fixes[i].seconds, Kind::GpsFix, i);
    if (gps.fixes[i].shown) add(gps.fixes[i].seconds, Kind::GpsUtm, i);
  }
  for (std::size_t i = 0; i < run.commands.size(); ++i) {
    add(run.commands[i].seconds, Kind::Command, i);
  }
  // The final map from the run's first moment, so that it lies under all of it.
  std::uint64_t first = static_cast<std::uint64_t>(run.startNs);
  if (!events.empty()) {
    first = std::min_element(events.begin(), events.end(), [](const Event& a, const Event& b) {
              return a.ns < b.ns;
            })->ns;
  }
  events.insert(events.begin(), Event{first, Kind::Map, 0});
  std::stable_sort(events.begin(), events.end(),
                   [](const Event& a, const Event& b) { return a.ns < b.ns; });

  const std::string partial = path + ".parcial";
  McapWriter writer;
  if (!writer.open(partial, "torva-export " TORVA_VERSION, error)) return false;
  std::array<std::uint16_t, static_cast<std::size_t>(ExportChannel::Count)> channelIds{};
  for (std::size_t c = 0; c < channelIds.size(); ++c) {
    const ChannelInfo& info = channelInfo(static_cast<ExportChannel>(c));
    channelIds[c] = writer.addChannel(
        writer.addSchema(info.schemaName, "jsonschema", info.jsonSchema), info.topic, "json");
  }

  std::string json;
  for (const Event& e : events) {
    json.clear();
    ExportChannel channel = ExportChannel::Map;
    switch (e.kind) {
      case Kind::Map:
        appendGrid(json, e.ns, finalMap(run));
        break;
      case Kind::RobotPose: {
        const RobotRecord& r = run.robot[e.index];
        appendFrameTransform(json, e.ns, "odom", "base_link", r.xMm / 1000.0, r.yMm / 1000.0,
                             r.headingDeg * std::numbers::pi / 180.0);
        channel = ExportChannel::Tf;
        break;
      }
      case Kind::RobotStatus:
        appendRobotStatus(json, e.ns, run.robot[e.index]);
        channel = ExportChannel::Robot;
        break;
      case Kind::LaserPose:
        // The scanner sits at the robot's centre, facing ahead, as the station marks it.
        appendFrameTransform(json, e.ns, "base_link", "laser", 0, 0, 0);
        channel = ExportChannel::Tf;
        break;
      case Kind::LaserScan:
        appendLaserScan(json, e.ns, run.scans[e.index].ranges);
        channel = ExportChannel::Laser;
        break;
      case Kind::GpsFix:
        appendLocationFix(json, e.ns, gps.fixes[e.index]);
        channel = ExportChannel::Gps;
        break;
      case Kind::GpsUtm:
        appendGpsUtm(json, e.ns, gps.fixes[e.index].block);
        channel = ExportChannel::GpsUtm;
        break;
      case Kind::Command:
        appendCommand(json, e.ns, run.commands[e.index]);
        channel = ExportChannel::Commands;
        break;
    }
    ++summary.messages[static_cast<std::size_t>(channel)];
    // A write that failed is told by finish.
    if (!writer.addMessage(channelIds[static_cast<std::size_t>(channel)], e.ns, json)) break;
  }
  if (!writer.finish(error)) {
    std::remove(partial.c_str());
    return false;
  }
  if (std::rename(partial.c_str(), path.c_str()) != 0) {
    error = "no se puede escribir " + path + " (" + std::strerror(errno) + ")";
    std::remove(partial.c_str());
    return false;
  }
  return true;
}
