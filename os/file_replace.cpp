#include "os/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool replaceFile(const std::string& path, std::string_view text, std::string& why) {
  const std::size_t slash = path.rfind('/');
  const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  std::string temporary = path.substr(0, nameAt) + "." + path.substr(nameAt) + ".XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    why = std::strerror(errno);
    return false;
  }
  // mkostemp makes it private; the reader may run as another user.
  ::fchmod(fd, 0644);
  std::size_t done = 0;
  int error = 0;
  while (error == 0 && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error == 0) return true;
  ::unlink(temporary.c_str());
  why = std::strerror(error);
  return false;
}
