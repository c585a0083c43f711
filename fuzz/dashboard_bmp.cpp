// Any bytes given to the BMP reader: it refuses or decodes, never reads or
// writes outside its buffers, and a decoded picture has the size it claims.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "dashboard/bmp_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  BmpImage image;
  BmpError error = decodeBmp(std::span<const std::uint8_t>(data, size), image);
  if (error == BmpError::None) {
    const std::size_t expected = static_cast<std::size_t>(image.width) * image.height * 3;
    if (image.width <= 0 || image.height <= 0 || image.pixels.size() != expected) std::abort();
  } else if (!image.pixels.empty()) {
    std::abort();
  }
  return 0;
}
