// Opening picture files: the file is mapped read-only, decoded, and released.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "dashboard/bmp_image.h"
#include "gui/message_box.h"
#include "os/console_print.h"

namespace {

class MappedFile {
 public:
  explicit MappedFile(const char* path) {
    fd_ = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return;
    size_ = static_cast<std::size_t>(info.st_size);
    opened_ = true;
    if (size_ == 0) return;
    void* data = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
    if (data == MAP_FAILED) {
      opened_ = false;
      return;
    }
    data_ = static_cast<const std::uint8_t*>(data);
  }
  ~MappedFile() {
    if (data_ != nullptr) ::munmap(const_cast<std::uint8_t*>(data_), size_);
    if (fd_ >= 0) ::close(fd_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  bool opened() const { return opened_; }
  std::span<const std::uint8_t> bytes() const {
    return data_ == nullptr ? std::span<const std::uint8_t>{}
                            : std::span<const std::uint8_t>{data_, size_};
  }

 private:
  int fd_ = -1;
  bool opened_ = false;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace

std::optional<BmpImage> loadBmpImage(const char* fileName) {
  if (fileName == nullptr) return std::nullopt;
  MappedFile file(fileName);
  if (!file.opened()) return std::nullopt;
  BmpImage image;
  BmpError error = decodeBmp(file.bytes(), image);
  if (error != BmpError::None) {
    consolePrintf("Imagen %s descartada: %s\n", fileName, bmpErrorText(error));
    showMessageBox("Error", bmpErrorText(error), MessageIcon::None, true);
    return std::nullopt;
  }
  return image;
}

std::optional<BmpImage> loadImageFile(const char* fileName) {
  if (fileName == nullptr || *fileName == '\0') return std::nullopt;
  std::FILE* probe = std::fopen(fileName, "r");
  if (probe == nullptr) return std::nullopt;
  std::fclose(probe);
  return loadBmpImage(fileName);
}
