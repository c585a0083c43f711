#pragma once
// Records a run of the station: every laser scan it marks, every status packet
// and command of the robot link, the operator's keys and menu commands and the
// bytes of the GPS line, each with its time, into a folder of files
// (registros/AAAAMMDD-HHMMSS/), and the map as a picture when the run ends.
//
// The station's threads hand rows to a bounded queue and go on; one writer
// thread formats and writes them, makes them reach the disk at least once a
// second and watches the free space. A write that fails, or a disk with less
// than the floor free, stops the recording with one console line; the station
// goes on. Rows that find the queue full are dropped and counted.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "record/pose_matcher.h"
#include "record/recording_rows.h"
#include "record/row_queue.h"
#include "state/robot_controller.h"
#include "state/shared_value.h"

struct RecorderSettings {
  std::string runDir = ".";                             // recordings go to runDir/registros/
  std::int64_t minFreeBytes = std::int64_t{200} << 20;  // stop below this much free space
  // About 15 s of the station's rows (some 33 a second while driving): the
  // writer takes them every 50 ms, so only a disk stalled that long fills it.
  // Each slot holds room for a scan of 361 readings from the start, 0.7 MiB
  // in all, so the recorder's memory does not grow as the run goes on.
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
  bool start(const RecorderSettings& settings);

  bool recording() const { return active_.load(); }
  // The recording's folder (empty before start).
  const std::string& folder() const { return folder_; }
  // Seconds since the recording started, on the steady clock.
  double seconds() const;

  // The rows, from any thread; each takes its time as it is called.
  // A scan just marked into the map from the given cell and heading.
  void laserScan(const LaserScanView& scan, const PoseKey& markedFrom);
  // A status packet just taken (row's time is ignored), the pose the station
  // would take from it, and its bytes.
  void robotStatus(const RobotRecord& row, const PoseKey& stationPose, const std::uint8_t* packet,
                   int size);
  // comandos.csv: origin is one of the recording::kOrigin* names.
  void command(const char* origin, int number, bool hasArgument, int argument);
  void gpsBytes(const char* bytes, int count);
  void connection(const std::string& name, const std::string& robotClass, const std::string& model);

  // Ends the recording: every queued row written, the map picture from the
  // record's grids (none when rc is null), the files on the disk and closed,
  // the dropped rows counted on the console. Waits for the writer at most waitMs.
  void finish(const RobotController* rc, int waitMs = 5000);

  long droppedRows() const { return queue_ ? queue_->dropped() : 0; }

 private:
  struct OutFile;
  void writerLoop();
  void takeRow(QueuedRow& row);
  void writeOut();
  void syncAndCheck();
  void stop(const std::string& why);
  void writeMap();
  void closeFiles();

  RecorderSettings settings_;
  std::string folder_;
  std::chrono::steady_clock::time_point start_;
  Relaxed<bool> active_{false};
  std::unique_ptr<RowQueue> queue_;
  std::vector<std::unique_ptr<OutFile>> files_;

  // Writer thread only.
  PoseMatcher matcher_;
  long robotRows_ = 0;
  std::vector<std::uint8_t> track_;
  QueuedRow scratch_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  bool finishRequested_ = false;
  bool finished_ = false;
  std::vector<std::uint8_t> finalObstacles_;  // set with finishRequested_
  std::vector<std::uint8_t> finalTrack_;
  std::thread writer_;
};
