#pragma once
// The rows of a recording's files, as the recorder writes them and as the
// replay, the map tool and the export read them back.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One scan the station marked into its map (laser.tsv) with the pose it was
// marked from (laser_pose.csv, same row).
struct LaserRecord {
  double seconds = 0;
  std::vector<float> ranges;  // metres, reading 0 first, as the station took them
  int mapRow = 0;
  int mapCol = 0;
  float headingRad = 0;
  // The robot.csv row (from 0) of the status packet whose pose the station
  // marked the scan from; -1: no packet (before the robot's first pose).
  long packet = -1;
};

// One status packet the station took (robot.csv), with the station's values
// as they stood when it arrived.
struct RobotRecord {
  double seconds = 0;
  double xMm = 0;  // the robot's odometry (raw encoder pose)
  double yMm = 0;
  double headingDeg = 0;
  double leftMmPerS = 0;
  double rightMmPerS = 0;
  double velMmPerS = 0;
  long stall = 0;      // stall and bumper bits
  double battery = 0;  // volts, this packet's
  float odoDx = 0;     // the station's odometry displacement, m
  float odoDy = 0;
  float gpsDx = 0;  // the station's GPS step, m
  float gpsDy = 0;
};

// A read of the GPS line: its time and its bytes' place in gps.nmea.
struct GpsChunk {
  double seconds = 0;
  std::size_t offset = 0;
  std::size_t count = 0;
};

// A robot connection: the names the robot gave in the handshake.
struct ConnectionRecord {
  double seconds = 0;
  std::string name;
  std::string robotClass;
  std::string model;
};

// A row of comandos.csv: a command sent to the robot, a key, a menu command,
// a dialog button or the window closed (origin: one of recording::kOrigin*).
struct CommandRecord {
  double seconds = 0;
  std::string origin;
  int number = 0;
  bool hasArgument = false;
  int argument = 0;
};

// Writing: each appends one line, line end included.
void appendLaserRow(std::string& out, double seconds, const float* ranges, int count);
void appendLaserPoseRow(std::string& out, double seconds, int mapRow, int mapCol, float headingRad,
                        long packet);
void appendRobotRow(std::string& out, const RobotRecord& row);
void appendGpsTimesRow(std::string& out, double seconds, std::size_t count);
void appendConnectionRow(std::string& out, const ConnectionRecord& row);
void appendCommandRow(std::string& out, double seconds, std::string_view origin, int number,
                      bool hasArgument, int argument);

// Reading: false with a one-line reason naming the file and line. Rows must
// come in time order. A last line cut short by a crash is left out, and so
// are rows one file of a pair holds beyond the other (written in the last
// second before a crash).
bool parseLaserRecords(std::string_view laserText, std::string_view poseText,
                       std::vector<LaserRecord>& out, std::string& error);
bool parseRobotRecords(std::string_view text, std::vector<RobotRecord>& out, std::string& error);
// robot.bin: whole status packets one after another.
bool parseStatusPackets(std::string_view bytes, std::vector<std::vector<std::uint8_t>>& out,
                        std::string& error);
bool parseGpsChunks(std::string_view timesText, std::size_t byteCount, std::vector<GpsChunk>& out,
                    std::string& error);
bool parseConnections(std::string_view text, std::vector<ConnectionRecord>& out,
                      std::string& error);
// comandos.csv's rows come from several of the station's threads, so two may
// stand a few microseconds out of time order: they are put in order instead.
bool parseCommandRecords(std::string_view text, std::vector<CommandRecord>& out,
                         std::string& error);

// Reads dir/name whole; false with a reason when it is missing, unreadable or
// larger than any recording file can be.
bool readRecordingFile(const std::string& dir, const char* name, std::string& text,
                       std::string& error);
