#pragma once
// The folder of one recording and its open files: made for a run, each text
// file headed, text gathered in memory and written out in chunks, made to
// reach the disk on demand.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

enum class RecordingFileId {
  GpsBytes,
  GpsTimes,
  Laser,
  LaserPose,
  Robot,
  RobotPackets,
  Connections,
  Commands,
  Start,
};
inline constexpr std::size_t kRecordingFileCount = 9;

class RecordingFolder {
 public:
  RecordingFolder();
  ~RecordingFolder();
  RecordingFolder(const RecordingFolder&) = delete;
  RecordingFolder& operator=(const RecordingFolder&) = delete;

  // Makes runDir/registros/AAAAMMDD-HHMMSS (the local time now; -2, -3...
  // when two runs start in the same second) and every file in it; false with
  // a reason, the path included.
  bool create(const std::string& runDir, std::string& error);
  const std::string& path() const { return path_; }

  // Text waiting for the file's next write.
  std::string& pending(RecordingFileId id);
  // True when any file has gathered at least this much.
  bool anyPendingOver(std::size_t bytes) const;

  // Writes every file's pending text; false with a reason.
  bool writeOut(std::string& error);
  // Makes what was written reach the disk; false with a reason.
  bool sync(std::string& error);
  void close();

 private:
  struct File;
  std::string path_;
  std::array<std::unique_ptr<File>, kRecordingFileCount> files_;
};

// Bytes free to an ordinary user where path lies; -1 when unknown.
std::int64_t freeBytes(const std::string& path);
