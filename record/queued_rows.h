#pragma once
// The rows the station's threads hand to the recorder, one type for each file
// (or pair of files) they go to. They travel the recorder's queue as one
// variant and are formatted only by the writer thread.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "aria/ar_packet.h"
#include "record/recording_rows.h"

// laser.tsv and laser_pose.csv: a scan the station marked into its map, and
// the pose it marked it from.
struct LaserRow {
  double seconds = 0;
  std::vector<float> ranges;  // metres, reading 0 first
  int mapRow = 0;
  int mapCol = 0;
  float headingRad = 0;
  // The sequence number of the robot's status packet that gave the pose
  // (0: no packet yet).
  std::uint64_t packet = 0;
};

// robot.csv and robot.bin: a status packet the station took.
struct RobotRow {
  RobotRecord record;
  std::uint64_t packet = 0;  // its sequence number
  ReceivedPacket bytes;      // its type and data; robot.bin holds it framed
};

// comandos.csv
struct CommandRow {
  double seconds = 0;
  const char* origin = "";  // one of recording::kOrigin*
  int number = 0;
  bool hasArgument = false;
  int argument = 0;
};

// gps.nmea and gps_tiempos.csv: one read of the GPS line.
struct GpsRow {
  double seconds = 0;
  std::string bytes;
};

// conexiones.csv
struct ConnectionRow {
  ConnectionRecord record;
};

using QueuedRow = std::variant<LaserRow, RobotRow, CommandRow, GpsRow, ConnectionRow>;
