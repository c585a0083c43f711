#pragma once
// A recording of the station (registros/AAAAMMDD-HHMMSS/) loaded for the
// export: the rows of its files and the wall-clock time its times count from.
// This is the only place in exporter/ that reads the recording's files.
//
// A recording that is not one (no laser.tsv or laser_pose.csv, a file that
// is not as the recorder writes it) cannot be loaded. What a crash or a
// lost file leaves is loaded with what it holds, and each thing left out
// costs one line in notes: a last row cut short, rows of one file of a pair
// beyond the other, a file of no bytes, a missing GPS, robot or command file,
// a start time that cannot be read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record/recording_rows.h"

// Where the start time came from.
enum class StartSource { File, FolderName, None };

struct RunRecording {
  std::string folder;
  std::int64_t startNs = 0;  // nanoseconds since 1970 UTC that time 0 of the run stands for
  StartSource startSource = StartSource::None;
  std::vector<LaserRecord> scans;       // with the pose each was marked from
  std::vector<RobotRecord> robot;       // one per status packet
  std::string gpsBytes;                 // the GPS line's bytes, as received
  std::vector<GpsChunk> gpsReads;       // each read of the GPS line: its time and bytes
  std::vector<CommandRecord> commands;  // in time order
  std::vector<std::string> notes;       // one line each, without its line end
};

// Loads dir; false with a one-line reason when it is not a recording that
// can be read.
bool loadRunRecording(const std::string& dir, RunRecording& out, std::string& error);

// Whether path is one of the recording's own files in dir (writing the
// export there would destroy it).
bool isRecordingFile(const std::string& dir, const std::string& path);

// inicio.txt's text: seconds since 1970 UTC, one line. False when it is not that.
bool parseStartTime(std::string_view text, std::int64_t& ns);

// A recording folder's name, AAAAMMDD-HHMMSS (local time, -2, -3... after it
// for a second run in the same second); false for any other name.
bool folderStartTime(std::string_view name, std::int64_t& ns);
