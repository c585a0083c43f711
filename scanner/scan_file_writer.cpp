#include "scanner/scan_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

ScanFileWriter::ScanFileWriter(std::string path) : path_(std::move(path)) {
  // A hidden name of this process's own beside the file: rename stays within
  // one file system, and two writers never write into each other's file.
  const std::size_t slash = path_.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  temporary_ = folder + "." + name + "." + std::to_string(::getpid());
}

bool ScanFileWriter::write(const StationScan& scan, std::string& why) {
  formatStationScan(scan, text_);
  const std::string& temporary = temporary_;
  // Readable by all: the station may run as another user.
  const int fd =
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    why = std::strerror(errno);
    return false;
  }
  ::fchmod(fd, 0644);
  std::size_t done = 0;
  int error = 0;
  while (error == 0 && done < text_.size()) {
    const ssize_t n = ::write(fd, text_.data() + done, text_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && std::rename(temporary.c_str(), path_.c_str()) != 0) error = errno;
  if (error == 0) return true;
  ::unlink(temporary.c_str());
  why = std::strerror(error);
  return false;
}
