#include "record/recording_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "record/recording_files.h"

namespace {
// Each file's name and the header row a text file starts with (null: a file
// of bytes), in the order of RecordingFileId.
struct FileLayout {
  const char* name;
  const char* header;
};
constexpr FileLayout kLayout[kRecordingFileCount] = {
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

std::string failed(const std::string& path) {
  return "no se puede escribir " + path + " (" + std::strerror(errno) + ")";
}
}  // namespace

struct RecordingFolder::File {
  int fd = -1;
  std::string path;
  std::string pending;
  bool dirty = false;  // written since the last sync

  ~File() {
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

RecordingFolder::RecordingFolder() = default;
RecordingFolder::~RecordingFolder() = default;

bool RecordingFolder::create(const std::string& runDir, std::string& error) {
  if (!makeRunFolder(runDir + "/" + recording::kFolder, path_, error)) return false;
  for (std::size_t i = 0; i < kRecordingFileCount; ++i) {
    auto file = std::make_unique<File>();
    file->path = path_ + "/" + kLayout[i].name;
    file->fd = ::open(file->path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (file->fd < 0) {
      error = file->path + ": " + std::strerror(errno);
      close();
      return false;
    }
    if (kLayout[i].header != nullptr) {
      file->pending = kLayout[i].header;
      file->pending.push_back('\n');
    }
    files_[i] = std::move(file);
  }
  return true;
}

std::string& RecordingFolder::pending(RecordingFileId id) {
  return files_[static_cast<std::size_t>(id)]->pending;
}

bool RecordingFolder::anyPendingOver(std::size_t bytes) const {
  for (const auto& file : files_) {
    if (file && file->pending.size() >= bytes) return true;
  }
  return false;
}

bool RecordingFolder::writeOut(std::string& error) {
  for (const auto& file : files_) {
    if (file && file->fd >= 0 && !file->flush()) {
      error = failed(file->path);
      return false;
    }
  }
  return true;
}

bool RecordingFolder::sync(std::string& error) {
  for (const auto& file : files_) {
    if (!file || file->fd < 0 || !file->dirty) continue;
    if (::fdatasync(file->fd) != 0) {
      error = failed(file->path);
      return false;
    }
    file->dirty = false;
  }
  return true;
}

void RecordingFolder::close() {
  for (const auto& file : files_) {
    if (file && file->fd >= 0) {
      ::close(file->fd);
      file->fd = -1;
    }
  }
}

std::int64_t freeBytes(const std::string& path) {
  struct statvfs st {};
  if (::statvfs(path.c_str(), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.f_bavail) * static_cast<std::int64_t>(st.f_frsize);
}
