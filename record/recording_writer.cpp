#include "record/recording_writer.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "os/console_print.h"
#include "record/map_picture.h"
#include "record/recording_files.h"
#include "record/recording_rows.h"
#include "state/robot_controller.h"

namespace {
// How often the writer takes the queued rows, and how often it makes them
// reach the disk.
constexpr auto kDrainPeriod = std::chrono::milliseconds(50);
constexpr auto kSyncPeriod = std::chrono::seconds(1);
// A file's text is written out once this much has gathered, or every drain.
constexpr std::size_t kWriteChunk = 64 * 1024;
// How many of the latest status packets a scan's packet number is looked up
// among: far more than arrive between a packet and a scan marked from it.
constexpr std::size_t kRecentPackets = 4096;
}  // namespace

struct RecordingWriter::State {
  std::shared_ptr<RecordingShared> shared;
  std::unique_ptr<RecordingFolder> folder;
  std::int64_t minFreeBytes = 0;

  // Writer thread only.
  QueuedRow row;
  long robotRows = 0;
  // The robot.csv row of each recent status packet, by sequence number.
  std::deque<std::pair<std::uint64_t, long>> recentPackets;
  std::vector<std::uint8_t> track = std::vector<std::uint8_t>(kGridCells, 0);

  std::mutex mutex;
  std::condition_variable wake;
  std::condition_variable done;
  bool finishRequested = false;
  bool finished = false;
  std::vector<std::uint8_t> finalObstacles;  // set with finishRequested
  std::vector<std::uint8_t> finalTrack;

  void loop();
  void writeRow(QueuedRow& queued);
  long robotRowOf(std::uint64_t packet) const;
  void writeOut();
  void syncAndCheck();
  void writeMap();
  void stop(const std::string& why);
  bool active() const { return shared->active; }
};

long RecordingWriter::State::robotRowOf(std::uint64_t packet) const {
  if (packet == 0) return -1;
  for (auto it = recentPackets.rbegin(); it != recentPackets.rend(); ++it) {
    if (it->first == packet) return it->second;
  }
  return -1;  // its row was dropped with a full queue, or is long gone
}

void RecordingWriter::State::writeRow(QueuedRow& queued) {
  if (!active()) return;  // stopped: the rest is not written
  RecordingFolder& f = *folder;
  if (auto* laser = std::get_if<LaserRow>(&queued)) {
    appendLaserRow(f.pending(RecordingFileId::Laser), laser->seconds, laser->ranges.data(),
                   static_cast<int>(laser->ranges.size()));
    appendLaserPoseRow(f.pending(RecordingFileId::LaserPose), laser->seconds, laser->mapRow,
                       laser->mapCol, laser->headingRad, robotRowOf(laser->packet));
    if (insideGrid(laser->mapRow, laser->mapCol)) {
      track[static_cast<std::size_t>(gridIndex(laser->mapRow, laser->mapCol))] = 1;
    }
  } else if (auto* robot = std::get_if<RobotRow>(&queued)) {
    appendRobotRow(f.pending(RecordingFileId::Robot), robot->record);
    WirePacket wire;
    buildPacket(robot->bytes.type, robot->bytes.data(), robot->bytes.dataSize, wire);
    f.pending(RecordingFileId::RobotPackets)
        .append(reinterpret_cast<const char*>(wire.data()), static_cast<std::size_t>(wire.size));
    recentPackets.emplace_back(robot->packet, robotRows++);
    if (recentPackets.size() > kRecentPackets) recentPackets.pop_front();
  } else if (auto* command = std::get_if<CommandRow>(&queued)) {
    appendCommandRow(f.pending(RecordingFileId::Commands), command->seconds, command->origin,
                     command->number, command->hasArgument, command->argument);
  } else if (auto* gps = std::get_if<GpsRow>(&queued)) {
    f.pending(RecordingFileId::GpsBytes) += gps->bytes;
    appendGpsTimesRow(f.pending(RecordingFileId::GpsTimes), gps->seconds, gps->bytes.size());
  } else if (auto* connection = std::get_if<ConnectionRow>(&queued)) {
    appendConnectionRow(f.pending(RecordingFileId::Connections), connection->record);
  }
  if (f.anyPendingOver(kWriteChunk)) writeOut();
}

void RecordingWriter::State::writeOut() {
  if (!active()) return;
  std::string error;
  if (!folder->writeOut(error)) stop(error);
}

void RecordingWriter::State::syncAndCheck() {
  if (!active()) return;
  std::string error;
  if (!folder->sync(error)) {
    stop(error);
    return;
  }
  const std::int64_t free = freeBytes(folder->path());
  if (free >= 0 && free < minFreeBytes) {
    stop("quedan menos de " + std::to_string(minFreeBytes >> 20) + " MB libres en " +
         folder->path());
  }
}

void RecordingWriter::State::stop(const std::string& why) {
  consolePrintf("registro: %s; la grabacion se detiene\n", why.c_str());
  shared->active = false;
  folder->close();
}

void RecordingWriter::State::writeMap() {
  for (std::size_t i = 0; i < track.size() && i < finalTrack.size(); ++i) {
    if (finalTrack[i] != 0) track[i] = 1;
  }
  const MapPicture picture = mapPicture(kGridSize, finalObstacles, track);
  std::string error;
  if (!writePng(folder->path() + "/" + recording::kMap, picture, error)) {
    stop("no se puede escribir el mapa " + error);
  }
}

void RecordingWriter::State::loop() {
  auto lastSync = std::chrono::steady_clock::now();
  bool finishing = false;
  while (!finishing) {
    {
      std::unique_lock<std::mutex> guard(mutex);
      wake.wait_for(guard, kDrainPeriod, [this] { return finishRequested; });
      finishing = finishRequested;
    }
    while (shared->queue.pop(row)) writeRow(row);
    writeOut();
    const auto now = std::chrono::steady_clock::now();
    if (finishing || now - lastSync >= kSyncPeriod) {
      syncAndCheck();
      lastSync = now;
    }
  }
  if (active() && !finalObstacles.empty()) writeMap();
  shared->active = false;
  folder->close();
  std::lock_guard<std::mutex> guard(mutex);
  finished = true;
  done.notify_all();
}

RecordingWriter::RecordingWriter(std::shared_ptr<RecordingShared> shared,
                                 std::unique_ptr<RecordingFolder> folder, std::int64_t minFreeBytes)
    : state_(std::make_shared<State>()) {
  state_->shared = std::move(shared);
  state_->folder = std::move(folder);
  state_->minFreeBytes = minFreeBytes;
  state_->shared->active = true;
  // Detached: it holds the state it needs, and is waited for on its condition.
  std::thread([state = state_] { state->loop(); }).detach();
}

RecordingWriter::~RecordingWriter() {
  if (!finished_) finish({}, {}, 5000);
}

bool RecordingWriter::finish(std::vector<std::uint8_t> obstacles, std::vector<std::uint8_t> track,
                             int waitMs) {
  finished_ = true;
  State& s = *state_;
  std::unique_lock<std::mutex> guard(s.mutex);
  if (!s.finishRequested) {
    s.finalObstacles = std::move(obstacles);
    s.finalTrack = std::move(track);
    s.finishRequested = true;
    s.wake.notify_all();
  }
  return s.done.wait_for(guard, std::chrono::milliseconds(waitMs), [&s] { return s.finished; });
}
