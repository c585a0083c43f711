#pragma once
// The export's messages as JSON text, each appended to out: the Foxglove
// schemas' fields (the viewers draw them without configuration) and the
// station's own rows as plain objects for plots. Every message carries its
// time as "timestamp" (seconds and nanoseconds since 1970 UTC).
#include <cstdint>
#include <string>
#include <vector>

#include "exporter/gps_fixes.h"
#include "exporter/run_recording.h"

// A laser reading at or beyond this is the scanner's "no echo" (the SICK PLS
// reaches 50 m; it writes 81.91 m, the simulator 50 m, for nothing seen).
inline constexpr float kNoEchoMetres = 50.0f;

// foxglove.LaserScan in frame "laser": reading i at -pi/2 + i * 0.5 degrees,
// counter-clockwise from the robot's heading, as the station marks it. A
// no-echo reading is written as 0: the schema has no mark for "nothing
// seen", JSON has no infinity, and 0 stands for no detection.
void appendLaserScan(std::string& out, std::uint64_t ns, const std::vector<float>& ranges);

// foxglove.FrameTransform from parent to child: a translation in the plane
// (metres) and a turn about the vertical (radians, counter-clockwise).
void appendFrameTransform(std::string& out, std::uint64_t ns, const char* parent, const char* child,
                          double x, double y, double yaw);

// foxglove.LocationFix of a GGA sentence with a fix, in frame "base_link".
void appendLocationFix(std::string& out, std::uint64_t ns, const GpsFix& fix);

// The station's easting, northing, position from the first fix and step.
void appendGpsUtm(std::string& out, std::uint64_t ns, const GpsStatusBlock& block);

// A robot.csv row: the columns by their names, and the two wheels' stall bits.
void appendRobotStatus(std::string& out, std::uint64_t ns, const RobotRecord& row);

// A comandos.csv row.
void appendCommand(std::string& out, std::uint64_t ns, const CommandRecord& row);

// foxglove.Grid in frame "odom": one byte a cell, rows along odometry X.
struct GridMessage {
  int size = 0;        // cells per side
  double cornerX = 0;  // the corner of cell (0, 0) in odom, metres
  double cornerY = 0;
  std::vector<std::uint8_t> data;  // size * size cells, row by row
};
void appendGrid(std::string& out, std::uint64_t ns, const GridMessage& grid);
