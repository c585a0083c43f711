#include "record/recorder.h"

#include <utility>

#include "os/console_print.h"
#include "record/record_text.h"
#include "record/recording_folder.h"

Recorder::Recorder() = default;

Recorder::~Recorder() {
  finish(nullptr, 5000);
}

double Recorder::seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

bool Recorder::start(const RecorderSettings& settings) {
  auto folder = std::make_unique<RecordingFolder>();
  std::string error;
  if (!folder->create(settings.runDir, error)) {
    consolePrintf(
        "registro: no se puede crear la carpeta del registro (%s); la estacion sigue sin grabar\n",
        error.c_str());
    return false;
  }
  folder_ = folder->path();
  if (freeBytes(folder_) >= 0 && freeBytes(folder_) < settings.minFreeBytes) {
    consolePrintf("registro: quedan menos de %lld MB libres en %s; la estacion sigue sin grabar\n",
                  static_cast<long long>(settings.minFreeBytes >> 20), folder_.c_str());
    return false;
  }
  start_ = std::chrono::steady_clock::now();
  // The wall-clock time the run's times count from, for tools that put the
  // run on a calendar.
  const auto wall = std::chrono::system_clock::now().time_since_epoch();
  std::string& started = folder->pending(RecordingFileId::Start);
  appendSeconds(started, std::chrono::duration<double>(wall).count());
  started.push_back('\n');
  shared_ = std::make_shared<RecordingShared>(settings.queueRows);
  writer_ = std::make_unique<RecordingWriter>(shared_, std::move(folder), settings.minFreeBytes);
  return true;
}

void Recorder::push(QueuedRow&& row) {
  shared_->queue.push(std::move(row));
}

void Recorder::laserScan(const LaserScanView& scan, const MapPose& markedFrom) {
  if (!recording()) return;
  LaserRow row;
  row.seconds = seconds();
  row.ranges.resize(static_cast<std::size_t>(scan.count));
  for (int i = 0; i < scan.count; ++i) row.ranges[static_cast<std::size_t>(i)] = scan[i];
  row.mapRow = markedFrom.mapRow;
  row.mapCol = markedFrom.mapCol;
  row.headingRad = markedFrom.headingRad;
  row.packet = markedFrom.packet;
  push(std::move(row));
}

void Recorder::robotStatus(const RobotRecord& record, std::uint64_t packet,
                           const ReceivedPacket& bytes) {
  if (!recording()) return;
  RobotRow row{record, packet, bytes};
  row.record.seconds = seconds();
  push(std::move(row));
}

void Recorder::command(const char* origin, int number, bool hasArgument, int argument) {
  if (!recording()) return;
  push(CommandRow{seconds(), origin, number, hasArgument, argument});
}

void Recorder::gpsBytes(const char* bytes, int count) {
  if (!recording() || count <= 0) return;
  push(GpsRow{seconds(), std::string(bytes, static_cast<std::size_t>(count))});
}

void Recorder::connection(const std::string& name, const std::string& robotClass,
                          const std::string& model) {
  if (!recording()) return;
  push(ConnectionRow{ConnectionRecord{seconds(), name, robotClass, model}});
}

void Recorder::finish(const RobotController* rc, int waitMs) {
  if (!writer_) return;
  std::vector<std::uint8_t> obstacles, track;
  if (rc != nullptr) {
    obstacles.resize(static_cast<std::size_t>(kGridCells));
    track.resize(static_cast<std::size_t>(kGridCells));
    for (std::size_t i = 0; i < obstacles.size(); ++i) {
      obstacles[i] = rc->obstacleGrid[i];
      track[i] = rc->trackGrid[i];
    }
  }
  const bool done = writer_->finish(std::move(obstacles), std::move(track), waitMs);
  writer_.reset();
  if (!done) {
    // The process ends soon; the writer finishes on its own, or with it.
    consolePrintf("registro: el disco no termino de escribir %s a tiempo\n", folder_.c_str());
    return;
  }
  if (const long dropped = droppedRows(); dropped > 0) {
    consolePrintf("registro: %ld filas no se grabaron (la cola estaba llena)\n", dropped);
  }
}
