#include "sim/replay_recording.h"

#include <algorithm>

#include "record/recording_files.h"

double ReplayRecording::lengthSeconds() const {
  double last = 0;
  if (!packets.empty()) last = std::max(last, packets.back().seconds);
  if (!scans.empty()) last = std::max(last, scans.back().seconds);
  if (!gpsChunks.empty()) last = std::max(last, gpsChunks.back().seconds);
  return last;
}

bool loadReplayRecording(const std::string& dir, ReplayRecording& out, std::string& error) {
  using namespace recording;
  out = ReplayRecording{};
  std::string robotText, packetBytes, laserText, poseText, gpsTimes;
  if (!readRecordingFile(dir, kRobot, robotText, error) ||
      !readRecordingFile(dir, kRobotPackets, packetBytes, error) ||
      !readRecordingFile(dir, kLaser, laserText, error) ||
      !readRecordingFile(dir, kLaserPose, poseText, error) ||
      !readRecordingFile(dir, kGpsBytes, out.gpsBytes, error) ||
      !readRecordingFile(dir, kGpsTimes, gpsTimes, error)) {
    return false;
  }
  std::vector<RobotRecord> rows;
  std::vector<std::vector<std::uint8_t>> packets;
  if (!parseRobotRecords(robotText, rows, error) ||
      !parseStatusPackets(packetBytes, packets, error) ||
      !parseLaserRecords(laserText, poseText, out.scans, error) ||
      !parseGpsChunks(gpsTimes, out.gpsBytes.size(), out.gpsChunks, error)) {
    return false;
  }
  // A crash can leave one file a row ahead of the other: the pairs that are
  // whole are played.
  const std::size_t whole = std::min(rows.size(), packets.size());
  out.packets.reserve(whole);
  for (std::size_t i = 0; i < whole; ++i) {
    out.packets.push_back(ReplayPacket{rows[i].seconds, std::move(packets[i])});
  }
  return true;
}
