#include "record/map_picture.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr std::uint8_t kTrack[3] = {0, 255, 0};
constexpr std::uint8_t kHit[3] = {255, 153, 0};

void appendBigEndian(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v >> 24));
  out.push_back(static_cast<char>(v >> 16));
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v));
}

void appendChunk(std::string& out, const char* type, const std::string& data) {
  appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.append(type, 4);
  out.append(data);
  const auto* bytes = reinterpret_cast<const Bytef*>(out.data() + start);
  appendBigEndian(out,
                  static_cast<std::uint32_t>(crc32(0, bytes, static_cast<uInt>(data.size() + 4))));
}
}  // namespace

MapPicture mapPicture(int size, const std::vector<std::uint8_t>& obstacles,
                      const std::vector<std::uint8_t>& track) {
  MapPicture p;
  p.size = size;
  const auto n = static_cast<std::size_t>(size);
  p.rgb.assign(n * n * 3, 0);
  for (std::size_t row = 0; row < n; ++row) {
    for (std::size_t col = 0; col < n; ++col) {
      const std::size_t cell = row * n + col;
      const std::uint8_t* colour = track[cell] != 0       ? kTrack
                                   : obstacles[cell] != 0 ? kHit
                                                          : nullptr;
      if (colour == nullptr) continue;
      // Pixel (x, y) = (row, col).
      std::memcpy(&p.rgb[(col * n + row) * 3], colour, 3);
    }
  }
  return p;
}

std::string encodePng(const MapPicture& picture) {
  const auto n = static_cast<std::size_t>(picture.size);
  // Each scan line: filter type 0, then the row's pixels.
  std::string raw;
  raw.reserve(n * (n * 3 + 1));
  for (std::size_t y = 0; y < n; ++y) {
    raw.push_back(0);
    raw.append(reinterpret_cast<const char*>(picture.rgb.data() + y * n * 3), n * 3);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
            reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 6);
  packed.resize(packedSize);

  std::string header;
  appendBigEndian(header, static_cast<std::uint32_t>(n));
  appendBigEndian(header, static_cast<std::uint32_t>(n));
  header +=
      std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace

  std::string png("\x89PNG\r\n\x1a\n", 8);
  appendChunk(png, "IHDR", header);
  appendChunk(png, "IDAT", packed);
  appendChunk(png, "IEND", {});
  return png;
}

bool writePng(const std::string& path, const MapPicture& picture, std::string& error) {
  const std::string png = encodePng(picture);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < png.size()) {
    const ssize_t w = ::write(fd, png.data() + done, png.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      error = path + ": " + std::strerror(w < 0 ? errno : ENOSPC);
      ::close(fd);
      return false;
    }
    done += static_cast<std::size_t>(w);
  }
  const bool synced = ::fsync(fd) == 0;
  const int syncError = errno;
  const bool closed = ::close(fd) == 0;
  if (!synced || !closed) {
    error = path + ": " + std::strerror(synced ? errno : syncError);
    return false;
  }
  return true;
}
