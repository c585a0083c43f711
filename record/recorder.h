#pragma once
// Records a run of the station: every laser scan it marks, every status packet
// and command of the robot link, the operator's keys and menu commands and the
// bytes of the GPS line, each with its time, into a folder of files
// (registros/AAAAMMDD-HHMMSS/), and the map as a picture when the run ends.
//
// The station's threads hand typed rows to a bounded queue and go on (rows
// that find it full are dropped and counted); the writer thread
// (record/recording_writer.h) writes them into the folder's files
// (record/recording_folder.h).
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "aria/ar_packet.h"
#include "record/recording_rows.h"
#include "record/recording_writer.h"
#include "state/robot_controller.h"

struct RecorderSettings {
  std::string runDir = ".";                             // recordings go to runDir/registros/
  std::int64_t minFreeBytes = std::int64_t{200} << 20;  // stop below this much free space
  // About 15 s of the station's rows (some 33 a second while driving): the
  // writer takes them every 50 ms, so only a disk stalled that long fills it.
  std::size_t queueRows = 512;
};

class Recorder {
 public:
  Recorder();
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Makes the recording's folder and files and starts the writer; false, with
  // one console line, when it cannot (the station then runs unrecorded).
  // Called before the threads that record start.
  bool start(const RecorderSettings& settings);

  bool recording() const { return shared_ && shared_->active; }
  // The recording's folder (empty before start).
  const std::string& folder() const { return folder_; }
  // Seconds since the recording started, on the steady clock.
  double seconds() const;

  // The rows, from any thread; each takes its time as it is called.
  // A scan just marked into the map from the given pose.
  void laserScan(const LaserScanView& scan, const MapPose& markedFrom);
  // A status packet just taken (row's time is ignored): the station's values
  // then, the packet's sequence number and its type and data.
  void robotStatus(const RobotRecord& row, std::uint64_t packet, const ReceivedPacket& bytes);
  // comandos.csv: origin is one of the recording::kOrigin* names.
  void command(const char* origin, int number, bool hasArgument, int argument);
  void gpsBytes(const char* bytes, int count);
  void connection(const std::string& name, const std::string& robotClass, const std::string& model);

  // Ends the recording: every queued row written, the map picture from the
  // record's grids (none when rc is null), the files on the disk and closed,
  // the dropped rows counted on the console. Waits for the writer at most waitMs.
  void finish(const RobotController* rc, int waitMs = 5000);

  long droppedRows() const { return shared_ ? shared_->queue.dropped() : 0; }

 private:
  void push(QueuedRow&& row);

  std::string folder_;
  std::chrono::steady_clock::time_point start_;
  std::shared_ptr<RecordingShared> shared_;
  std::unique_ptr<RecordingWriter> writer_;
};
