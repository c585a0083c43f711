#include "record/recorder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "os/console_print.h"
#include "record/map_picture.h"
#include "record/record_text.h"
#include "record/recording_files.h"

namespace {
// How often the writer takes the queued rows, and how often it makes them
// reach the disk.
constexpr auto kDrainPeriod = std::chrono::milliseconds(50);
constexpr auto kSyncPeriod = std::chrono::seconds(1);
// The readings of the station's scanner, which every queue slot has room for.
constexpr std::size_t kScanReadings = 361;
// A file's text is written out once this much has gathered, or every drain.
constexpr std::size_t kWriteChunk = 64 * 1024;

enum FileIndex {
  kGpsBytesFile,
  kGpsTimesFile,
  kLaserFile,
  kLaserPoseFile,
  kRobotFile,
  kPacketsFile,
  kConnectionsFile,
  kCommandsFile,
  kStartFile,
  kFileCount
};

struct FileSpec {
  const char* name;
  const char* header;  // null: a byte file
};
constexpr FileSpec kFiles[kFileCount] = {
    {recording::kGpsBytes, nullptr},
    {recording::kGpsTimes, recording::kGpsTimesHeader},
    {recording::kLaser, recording::kLaserHeader},
    {recording::kLaserPose, recording::kLaserPoseHeader},
    {recording::kRobot, recording::kRobotHeader},
    {recording::kRobotPackets, nullptr},
    {recording::kConnections, recording::kConnectionsHeader},
    {recording::kCommands, recording::kCommandsHeader},
    {recording::kStart, nullptr},
};

// A folder of its own for this run: AAAAMMDD-HHMMSS, with -2, -3... when two
// runs start in the same second.
bool makeRunFolder(const std::string& base, std::string& folder, std::string& error) {
  if (::mkdir(base.c_str(), 0755) != 0 && errno != EEXIST) {
    error = base + ": " + std::strerror(errno);
    return false;
  }
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  for (int n = 1; n < 100; ++n) {
    folder = base;
    folder += '/';
    folder += stamp;
    if (n > 1) {
      folder += '-';
      folder += std::to_string(n);
    }
    if (::mkdir(folder.c_str(), 0755) == 0) return true;
    if (errno != EEXIST) break;
  }
  error = folder + ": " + std::strerror(errno);
  return false;
}

std::int64_t freeBytes(const std::string& folder) {
  struct statvfs st {};
  if (::statvfs(folder.c_str(), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
}
}  // namespace

struct Recorder::OutFile {
  int fd = -1;
  std::string path;
  std::string pending;
  bool dirty = false;  // written since the last sync

  ~OutFile() {
    if (fd >= 0) ::close(fd);
  }
  // Writes what has gathered; false with errno set.
  bool flush() {
    std::size_t done = 0;
    while (done < pending.size()) {
      const ssize_t n = ::write(fd, pending.data() + done, pending.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n == 0) errno = ENOSPC;
        pending.erase(0, done);
        return false;
      }
      done += static_cast<std::size_t>(n);
    }
    dirty = dirty || done > 0;
    pending.clear();
    return true;
  }
};

Recorder::Recorder() = default;

Recorder::~Recorder() {
  finish(nullptr, 5000);
}

double Recorder::seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

bool Recorder::start(const RecorderSettings& settings) {
  settings_ = settings;
  const std::string base = settings.runDir + "/" + recording::kFolder;
  std::string error;
  if (!makeRunFolder(base, folder_, error)) {
    consolePrintf(
        "registro: no se puede crear la carpeta del registro (%s); la estacion sigue sin grabar\n",
        error.c_str());
    folder_.clear();
    return false;
  }
  if (freeBytes(folder_) >= 0 && freeBytes(folder_) < settings.minFreeBytes) {
    consolePrintf("registro: quedan menos de %lld MB libres en %s; la estacion sigue sin grabar\n",
                  static_cast<long long>(settings.minFreeBytes >> 20), folder_.c_str());
    return false;
  }
  for (const FileSpec& spec : kFiles) {
    auto file = std::make_unique<OutFile>();
    file->path = folder_ + "/" + spec.name;
    file->fd = ::open(file->path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (file->fd < 0) {
      consolePrintf("registro: no se puede crear %s (%s); la estacion sigue sin grabar\n",
                    file->path.c_str(), std::strerror(errno));
      files_.clear();
      return false;
    }
    if (spec.header != nullptr) {
      file->pending = spec.header;
      file->pending.push_back('\n');
    }
    files_.push_back(std::move(file));
  }
  track_.assign(static_cast<std::size_t>(kGridCells), 0);
  queue_ = std::make_unique<RowQueue>(settings.queueRows, kScanReadings);
  scratch_.ranges.assign(kScanReadings, 0.0f);
  scratch_.ranges.clear();
  start_ = std::chrono::steady_clock::now();
  const auto wall = std::chrono::system_clock::now().time_since_epoch();
  appendSeconds(files_[kStartFile]->pending, std::chrono::duration<double>(wall).count());
  files_[kStartFile]->pending.push_back('\n');
  active_ = true;
  writer_ = std::thread([this] { writerLoop(); });
  return true;
}

// ---- the station's threads ---------------------------------------------------

void Recorder::laserScan(const LaserScanView& scan, const PoseKey& markedFrom) {
  if (!active_) return;
  const double t = seconds();
  queue_->push([&](QueuedRow& row) {
    row.kind = RowKind::Laser;
    row.seconds = t;
    row.numbers[0] = markedFrom.mapRow;
    row.numbers[1] = markedFrom.mapCol;
    row.numbers[2] = markedFrom.headingRad;
    row.ranges.resize(static_cast<std::size_t>(scan.count));
    for (int i = 0; i < scan.count; ++i) row.ranges[static_cast<std::size_t>(i)] = scan[i];
  });
}

void Recorder::robotStatus(const RobotRecord& r, const PoseKey& stationPose,
                           const std::uint8_t* packet, int size) {
  if (!active_) return;
  const double t = seconds();
  queue_->push([&](QueuedRow& row) {
    row.kind = RowKind::Robot;
    row.seconds = t;
    row.numbers = {r.xMm,
                   r.yMm,
                   r.headingDeg,
                   r.leftMmPerS,
                   r.rightMmPerS,
                   r.velMmPerS,
                   static_cast<double>(r.stall),
                   r.battery,
                   r.odoDx,
                   r.odoDy,
                   r.gpsDx,
                   r.gpsDy,
                   static_cast<double>(stationPose.mapRow),
                   static_cast<double>(stationPose.mapCol),
                   stationPose.headingRad,
                   0};
    row.text.assign(reinterpret_cast<const char*>(packet), static_cast<std::size_t>(size));
  });
}

void Recorder::command(const char* origin, int number, bool hasArgument, int argument) {
  if (!active_) return;
  const double t = seconds();
  queue_->push([&](QueuedRow& row) {
    row.kind = RowKind::Command;
    row.seconds = t;
    row.numbers[0] = number;
    row.numbers[1] = hasArgument ? 1 : 0;
    row.numbers[2] = argument;
    row.text.assign(origin);
  });
}

void Recorder::gpsBytes(const char* bytes, int count) {
  if (!active_ || count <= 0) return;
  const double t = seconds();
  queue_->push([&](QueuedRow& row) {
    row.kind = RowKind::Gps;
    row.seconds = t;
    row.text.assign(bytes, static_cast<std::size_t>(count));
  });
}

void Recorder::connection(const std::string& name, const std::string& robotClass,
                          const std::string& model) {
  if (!active_) return;
  const double t = seconds();
  ConnectionRecord c{t, name, robotClass, model};
  // Rare: the row is made here, whole.
  queue_->push([&](QueuedRow& row) {
    row.kind = RowKind::Connection;
    row.seconds = t;
    row.text.clear();
    appendConnectionRow(row.text, c);
  });
}

// ---- the writer ----------------------------------------------------------------

void Recorder::takeRow(QueuedRow& row) {
  if (!active_) return;  // stopped: the rest is not written
  switch (row.kind) {
    case RowKind::Laser: {
      const PoseKey marked{static_cast<int>(row.numbers[0]), static_cast<int>(row.numbers[1]),
                           static_cast<float>(row.numbers[2])};
      appendLaserRow(files_[kLaserFile]->pending, row.seconds, row.ranges.data(),
                     static_cast<int>(row.ranges.size()));
      appendLaserPoseRow(files_[kLaserPoseFile]->pending, row.seconds, marked.mapRow, marked.mapCol,
                         marked.headingRad, matcher_.matchScan(marked));
      if (insideGrid(marked.mapRow, marked.mapCol)) {
        track_[static_cast<std::size_t>(gridIndex(marked.mapRow, marked.mapCol))] = 1;
      }
      break;
    }
    case RowKind::Robot: {
      RobotRecord r;
      r.seconds = row.seconds;
      const auto& v = row.numbers;
      r.xMm = v[0];
      r.yMm = v[1];
      r.headingDeg = v[2];
      r.leftMmPerS = v[3];
      r.rightMmPerS = v[4];
      r.velMmPerS = v[5];
      r.stall = static_cast<long>(v[6]);
      r.battery = v[7];
      r.odoDx = static_cast<float>(v[8]);
      r.odoDy = static_cast<float>(v[9]);
      r.gpsDx = static_cast<float>(v[10]);
      r.gpsDy = static_cast<float>(v[11]);
      appendRobotRow(files_[kRobotFile]->pending, r);
      files_[kPacketsFile]->pending += row.text;
      matcher_.addPacket(robotRows_++, PoseKey{static_cast<int>(v[12]), static_cast<int>(v[13]),
                                               static_cast<float>(v[14])});
      break;
    }
    case RowKind::Command:
      appendCommandRow(files_[kCommandsFile]->pending, row.seconds, row.text,
                       static_cast<int>(row.numbers[0]), row.numbers[1] != 0,
                       static_cast<int>(row.numbers[2]));
      break;
    case RowKind::Gps:
      files_[kGpsBytesFile]->pending += row.text;
      appendGpsTimesRow(files_[kGpsTimesFile]->pending, row.seconds, row.text.size());
      break;
    case RowKind::Connection:
      files_[kConnectionsFile]->pending += row.text;
      break;
  }
  for (auto& file : files_) {
    if (file->pending.size() >= kWriteChunk) {
      writeOut();
      break;
    }
  }
}

void Recorder::writeOut() {
  if (!active_) return;
  for (auto& file : files_) {
    if (!file->flush()) {
      stop("no se puede escribir " + file->path + " (" + std::strerror(errno) + ")");
      return;
    }
  }
}

void Recorder::syncAndCheck() {
  if (!active_) return;
  for (auto& file : files_) {
    if (!file->dirty) continue;
    if (::fdatasync(file->fd) != 0) {
      stop("no se puede escribir " + file->path + " (" + std::strerror(errno) + ")");
      return;
    }
    file->dirty = false;
  }
  const std::int64_t free = freeBytes(folder_);
  if (free >= 0 && free < settings_.minFreeBytes) {
    stop("quedan menos de " + std::to_string(settings_.minFreeBytes >> 20) + " MB libres en " +
         folder_);
  }
}

void Recorder::stop(const std::string& why) {
  consolePrintf("registro: %s; la grabacion se detiene\n", why.c_str());
  active_ = false;
  closeFiles();
}

void Recorder::closeFiles() {
  for (auto& file : files_) {
    if (file->fd >= 0) ::close(file->fd);
    file->fd = -1;
  }
}

void Recorder::writeMap() {
  for (std::size_t i = 0; i < track_.size() && i < finalTrack_.size(); ++i) {
    if (finalTrack_[i] != 0) track_[i] = 1;
  }
  const MapPicture picture = mapPicture(kGridSize, finalObstacles_, track_);
  std::string error;
  if (!writePng(folder_ + "/" + recording::kMap, picture, error)) {
    stop("no se puede escribir el mapa " + error);
  }
}

void Recorder::writerLoop() {
  auto lastSync = std::chrono::steady_clock::now();
  bool finishing = false;
  while (!finishing) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait_for(lock, kDrainPeriod, [this] { return finishRequested_; });
      finishing = finishRequested_;
    }
    while (queue_->pop(scratch_)) takeRow(scratch_);
    writeOut();
    const auto now = std::chrono::steady_clock::now();
    if (finishing || now - lastSync >= kSyncPeriod) {
      syncAndCheck();
      lastSync = now;
    }
  }
  if (active_ && !finalObstacles_.empty()) writeMap();
  active_ = false;
  closeFiles();
  std::lock_guard<std::mutex> lock(mutex_);
  finished_ = true;
  done_.notify_all();
}

void Recorder::finish(const RobotController* rc, int waitMs) {
  if (!writer_.joinable()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!finishRequested_) {
      if (rc != nullptr) {
        finalObstacles_.resize(static_cast<std::size_t>(kGridCells));
        finalTrack_.resize(static_cast<std::size_t>(kGridCells));
        for (std::size_t i = 0; i < finalObstacles_.size(); ++i) {
          finalObstacles_[i] = rc->obstacleGrid[i];
          finalTrack_[i] = rc->trackGrid[i];
        }
      }
      finishRequested_ = true;
      wake_.notify_all();
    }
    if (!done_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return finished_; })) {
      consolePrintf("registro: el disco no termino de escribir %s a tiempo\n", folder_.c_str());
      // The process ends now; the writer must not outlive this object.
      writer_.detach();
      return;
    }
  }
  writer_.join();
  if (const long dropped = droppedRows(); dropped > 0) {
    consolePrintf("registro: %ld filas no se grabaron (la cola estaba llena)\n", dropped);
  }
}
