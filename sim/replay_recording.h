#pragma once
// A recording of the station (registros/AAAAMMDD-HHMMSS/) loaded for the
// simulator to play back: the status packets with the times the station took
// them, the scans with the times it read them, and the GPS line's bytes with
// the times they arrived.
#include <cstdint>
#include <string>
#include <vector>

#include "record/recording_rows.h"

struct ReplayPacket {
  double seconds = 0;
  std::vector<std::uint8_t> bytes;  // the whole packet, as it went on the wire
};

struct ReplayRecording {
  std::vector<ReplayPacket> packets;
  std::vector<LaserRecord> scans;
  std::string gpsBytes;
  std::vector<GpsChunk> gpsChunks;
  // The recording's last event, in seconds since its start.
  double lengthSeconds() const;
};

// Reads the recording in dir; false with a one-line reason (the file and the
// line at fault) when a file is missing, malformed or out of time order.
bool loadReplayRecording(const std::string& dir, ReplayRecording& out, std::string& error);
