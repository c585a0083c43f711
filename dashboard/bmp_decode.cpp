#include <algorithm>
#include <array>
#include <bit>

#include "dashboard/bmp_image.h"

namespace {

// Larger pictures than any texture the station uses are refused as if the
// memory for them could not be had; a small file cannot ask for gigabytes.
constexpr std::int64_t kMaxSide = 16384;
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 24;

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;

class Bytes {
 public:
  explicit Bytes(std::span<const std::uint8_t> data) : data_(data) {}
  bool has(std::uint64_t at, std::uint64_t count) const {
    return at <= data_.size() && count <= data_.size() - at;
  }
  std::uint8_t u8(std::uint64_t at) const { return data_[at]; }
  std::uint16_t u16(std::uint64_t at) const {
    return static_cast<std::uint16_t>(data_[at] | (data_[at + 1] << 8));
  }
  std::uint32_t u32(std::uint64_t at) const {
    return static_cast<std::uint32_t>(u16(at)) | (static_cast<std::uint32_t>(u16(at + 2)) << 16);
  }
  std::size_t size() const { return data_.size(); }

 private:
  std::span<const std::uint8_t> data_;
};

using Rgb = std::array<std::uint8_t, 3>;

// One colour channel of a packed pixel, widened to 8 bits by repeating its
// bits, so that full intensity stays full (5-bit 31 becomes 255).
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  static bool make(std::uint32_t mask, Channel& out) {
    out = Channel{};
    if (mask == 0) return true;
    out.mask = mask;
    out.shift = std::countr_zero(mask);
    std::uint32_t run = mask >> out.shift;
    if ((run & (run + 1)) != 0) return false;  // the bits must be one run
    out.bits = std::popcount(run);
    return true;
  }

  std::uint8_t operator()(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    std::uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
    std::uint32_t result = 0;
    for (int at = 8 - bits; at > -bits; at -= bits) {
      result |= at >= 0 ? v << at : v >> -at;
    }
    return static_cast<std::uint8_t>(result);
  }
};

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;  // rows, positive
  bool topDown = false;
  unsigned bitCount = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t imageSize = 0;
  std::array<Channel, 3> channels;  // red, green, blue for packed pixels
  std::array<Rgb, 256> palette{};
  std::uint64_t paletteEntries = 0;
  std::uint64_t bitsAt = 0;
};

class Canvas {
 public:
  Canvas(BmpImage& image, const Header& header) : image_(image), header_(header) {}
  void put(std::uint64_t x, std::uint64_t fileRow, const Rgb& colour) {
    if (x >= static_cast<std::uint64_t>(header_.width) ||
        fileRow >= static_cast<std::uint64_t>(header_.height)) {
      return;
    }
    std::uint64_t row = header_.topDown ? header_.height - 1 - fileRow : fileRow;
    std::uint8_t* px = &image_.pixels[(row * header_.width + x) * 3];
    px[0] = colour[0];
    px[1] = colour[1];
    px[2] = colour[2];
  }
  void putIndex(std::uint64_t x, std::uint64_t fileRow, unsigned index) {
    static constexpr Rgb kBlack{0, 0, 0};
    put(x, fileRow, index < header_.paletteEntries ? header_.palette[index] : kBlack);
  }

 private:
  BmpImage& image_;
  const Header& header_;
};

BmpError readHeader(const Bytes& file, Header& header) {
  std::uint64_t headerAt = 0;
  bool fileHeader = file.size() >= 2 && file.u8(0) == 'B' && file.u8(1) == 'M';
  std::uint64_t bitsAt = 0;
  if (fileHeader) {
    if (!file.has(0, 14)) return BmpError::ConversionError;
    bitsAt = file.u32(10);
    headerAt = 14;
  }
  if (!file.has(headerAt, 4)) return BmpError::ConversionError;
  const std::uint32_t headerSize = file.u32(headerAt);
  if (headerSize != 12 && headerSize != 40) return BmpError::UnknownFormat;
  if (!file.has(headerAt, headerSize)) return BmpError::ConversionError;

  unsigned planes = 0;
  std::uint32_t colorsUsed = 0;
  unsigned entryBytes = 0;
  if (headerSize == 12) {
    header.width = file.u16(headerAt + 4);
    header.height = file.u16(headerAt + 6);
    planes = file.u16(headerAt + 8);
    header.bitCount = file.u16(headerAt + 10);
    entryBytes = 3;
    if (header.bitCount != 1 && header.bitCount != 4 && header.bitCount != 8 &&
        header.bitCount != 24) {
      return BmpError::ConversionError;
    }
  } else {
    header.width = static_cast<std::int32_t>(file.u32(headerAt + 4));
    header.height = static_cast<std::int32_t>(file.u32(headerAt + 8));
    planes = file.u16(headerAt + 12);
    header.bitCount = file.u16(headerAt + 14);
    header.compression = file.u32(headerAt + 16);
    header.imageSize = file.u32(headerAt + 20);
    colorsUsed = file.u32(headerAt + 32);
    entryBytes = 4;
  }
  if (header.height < 0) {
    header.topDown = true;
    header.height = -header.height;
  }
  if (header.width <= 0 || header.height == 0 || planes != 1) return BmpError::ConversionError;

  switch (header.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      return BmpError::ConversionError;
  }
  switch (header.compression) {
    case kRgb:
      break;
    case kRle8:
      if (header.bitCount != 8 || header.topDown) return BmpError::ConversionError;
      break;
    case kRle4:
      if (header.bitCount != 4 || header.topDown) return BmpError::ConversionError;
      break;
    case kBitFields:
      if (header.bitCount != 16 && header.bitCount != 32) return BmpError::ConversionError;
      break;
    default:
      return BmpError::ConversionError;
  }

  std::uint64_t tableAt = headerAt + headerSize;
  std::uint32_t masks[3] = {0, 0, 0};
  if (header.compression == kBitFields) {
    if (!file.has(tableAt, 12)) return BmpError::ConversionError;
    for (int i = 0; i < 3; ++i) masks[i] = file.u32(tableAt + 4 * i);
    tableAt += 12;
  } else if (header.bitCount == 16) {
    masks[0] = 0x7c00;
    masks[1] = 0x03e0;
    masks[2] = 0x001f;
  } else if (header.bitCount == 32) {
    masks[0] = 0xff0000;
    masks[1] = 0x00ff00;
    masks[2] = 0x0000ff;
  }
  for (int i = 0; i < 3; ++i) {
    if (!Channel::make(masks[i], header.channels[i])) return BmpError::ConversionError;
  }

  std::uint64_t tableEntries = header.bitCount <= 8 ? (std::uint64_t{1} << header.bitCount) : 0;
  if (colorsUsed != 0) tableEntries = colorsUsed;
  if (!file.has(tableAt, tableEntries * entryBytes)) return BmpError::ConversionError;
  if (header.bitCount <= 8) {
    header.paletteEntries = std::min<std::uint64_t>(tableEntries, 256);
    for (std::uint64_t i = 0; i < header.paletteEntries; ++i) {
      std::uint64_t at = tableAt + i * entryBytes;
      header.palette[i] = Rgb{file.u8(at + 2), file.u8(at + 1), file.u8(at)};
    }
  }
  header.bitsAt = fileHeader ? bitsAt : tableAt + tableEntries * entryBytes;
  if (header.bitsAt > file.size()) return BmpError::ConversionError;

  if (header.width > kMaxSide || header.height > kMaxSide ||
      header.width * header.height > kMaxPixels) {
    return BmpError::OutOfMemory;
  }
  return BmpError::None;
}

BmpError readUncompressed(const Bytes& file, const Header& header, Canvas& canvas) {
  const std::uint64_t rowBits = static_cast<std::uint64_t>(header.width) * header.bitCount;
  const std::uint64_t stride = (rowBits + 31) / 32 * 4;
  // The last row's padding may be missing; its pixels may not.
  const std::uint64_t needed = stride * (header.height - 1) + (rowBits + 7) / 8;
  if (!file.has(header.bitsAt, needed)) return BmpError::ConversionError;

  for (std::int64_t row = 0; row < header.height; ++row) {
    const std::uint64_t at = header.bitsAt + row * stride;
    for (std::int64_t x = 0; x < header.width; ++x) {
      switch (header.bitCount) {
        case 1:
        case 4:
        case 8: {
          const std::uint64_t bit = static_cast<std::uint64_t>(x) * header.bitCount;
          const unsigned byte = file.u8(at + bit / 8);
          const unsigned shift = 8 - header.bitCount - bit % 8;
          canvas.putIndex(x, row, (byte >> shift) & ((1u << header.bitCount) - 1));
          break;
        }
        case 24: {
          const std::uint64_t p = at + x * 3;
          canvas.put(x, row, Rgb{file.u8(p + 2), file.u8(p + 1), file.u8(p)});
          break;
        }
        default: {
          const std::uint32_t value =
              header.bitCount == 16 ? file.u16(at + x * 2) : file.u32(at + x * 4);
          const auto& c = header.channels;
          canvas.put(x, row, Rgb{c[0](value), c[1](value), c[2](value)});
          break;
        }
      }
    }
  }
  return BmpError::None;
}

// Run-length data: (count, value) runs, and escapes for end of line, end of
// picture, a jump, and literal runs padded to 16 bits. Pixels never written
// stay black; runs that leave the picture are clipped.
BmpError readRunLength(const Bytes& file, const Header& header, Canvas& canvas) {
  const bool fourBit = header.compression == kRle4;
  std::uint64_t end = file.size();
  if (header.imageSize != 0 && file.has(header.bitsAt, header.imageSize)) {
    end = header.bitsAt + header.imageSize;
  }
  std::uint64_t pos = header.bitsAt;
  std::uint64_t x = 0;
  std::uint64_t row = 0;
  const auto height = static_cast<std::uint64_t>(header.height);
  while (pos < end && row < height) {
    if (end - pos < 2) return BmpError::ConversionError;
    const unsigned count = file.u8(pos);
    const unsigned value = file.u8(pos + 1);
    pos += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count; ++i, ++x) {
        unsigned index = fourBit ? ((i % 2 == 0) ? value >> 4 : value & 0x0f) : value;
        canvas.putIndex(x, row, index);
      }
      continue;
    }
    if (value == 0) {
      x = 0;
      ++row;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (end - pos < 2) return BmpError::ConversionError;
      x += file.u8(pos);
      row += file.u8(pos + 1);
      pos += 2;
    } else {
      const unsigned bytes = fourBit ? (value + 1) / 2 : value;
      const unsigned padded = bytes + (bytes & 1);
      if (end - pos < padded) return BmpError::ConversionError;
      for (unsigned i = 0; i < value; ++i, ++x) {
        unsigned index = fourBit ? file.u8(pos + i / 2) : file.u8(pos + i);
        if (fourBit) index = (i % 2 == 0) ? index >> 4 : index & 0x0f;
        canvas.putIndex(x, row, index);
      }
      pos += padded;
    }
  }
  return BmpError::None;
}

}  // namespace

const char* bmpErrorText(BmpError error) {
  switch (error) {
    case BmpError::UnknownFormat:
      return "Unknown DIB file format.";
    case BmpError::OutOfMemory:
      return "Out of memory.";
    case BmpError::ConversionError:
      return "Image file conversion error.";
    case BmpError::None:
      break;
  }
  return "";
}

BmpError decodeBmp(std::span<const std::uint8_t> data, BmpImage& image) {
  image = BmpImage{};
  const Bytes file(data);
  Header header;
  if (BmpError error = readHeader(file, header); error != BmpError::None) return error;

  BmpImage result;
  result.width = static_cast<std::int32_t>(header.width);
  result.height = static_cast<std::int32_t>(header.height);
  result.pixels.assign(static_cast<std::size_t>(header.width * header.height * 3), 0);
  Canvas canvas(result, header);
  BmpError error = header.compression == kRle8 || header.compression == kRle4
                       ? readRunLength(file, header, canvas)
                       : readUncompressed(file, header, canvas);
  if (error != BmpError::None) return error;
  image = std::move(result);
  return BmpError::None;
}
