#include "bmp_writer.h"

#include <algorithm>
#include <map>

namespace {

struct Layout {
  int headerSize = 40;
  int bitCount = 24;
  std::uint32_t compression = 0;
  bool topDown = false;
  bool fileHeader = true;
  bool shortTable = false;  // colours-used names only the colours present
  std::array<std::uint32_t, 3> masks{};
};

Layout layoutOf(BmpForm form) {
  Layout l;
  switch (form) {
    case BmpForm::Core1:
      l.headerSize = 12;
      l.bitCount = 1;
      break;
    case BmpForm::Core4:
      l.headerSize = 12;
      l.bitCount = 4;
      break;
    case BmpForm::Core8:
      l.headerSize = 12;
      l.bitCount = 8;
      break;
    case BmpForm::Core24:
      l.headerSize = 12;
      l.bitCount = 24;
      break;
    case BmpForm::Info1:
      l.bitCount = 1;
      break;
    case BmpForm::Info4:
      l.bitCount = 4;
      break;
    case BmpForm::Info8:
      l.bitCount = 8;
      break;
    case BmpForm::Info8ShortTable:
      l.bitCount = 8;
      l.shortTable = true;
      break;
    case BmpForm::Info8TopDown:
      l.bitCount = 8;
      l.topDown = true;
      break;
    case BmpForm::Rle4:
      l.bitCount = 4;
      l.compression = 2;
      break;
    case BmpForm::Rle8:
      l.bitCount = 8;
      l.compression = 1;
      break;
    case BmpForm::Info16:
      l.bitCount = 16;
      break;
    case BmpForm::BitFields16:
      l.bitCount = 16;
      l.compression = 3;
      l.masks = {0xf800, 0x07e0, 0x001f};
      break;
    case BmpForm::Info24:
      break;
    case BmpForm::Info24TopDown:
      l.topDown = true;
      break;
    case BmpForm::Info32:
      l.bitCount = 32;
      break;
    case BmpForm::BitFields32:
      l.bitCount = 32;
      l.compression = 3;
      l.masks = {0x3ff00000, 0x000ffc00, 0x000003ff};
      break;
    case BmpForm::NoFileHeader8:
      l.bitCount = 8;
      l.fileHeader = false;
      break;
    case BmpForm::NoFileHeaderCore24:
      l.headerSize = 12;
      l.fileHeader = false;
      break;
  }
  return l;
}

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void padRow(std::vector<std::uint8_t>& out, std::size_t rowStart) {
  while ((out.size() - rowStart) % 4 != 0) out.push_back(0);
}

std::uint32_t packed(const Rgb& c, const Layout& l) {
  if (l.bitCount == 16 && l.compression == 0) {
    return (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | (c[2] >> 3);
  }
  if (l.bitCount == 16) return (c[0] >> 3) << 11 | (c[1] >> 2) << 5 | (c[2] >> 3);
  if (l.compression == 0) return 0xaa000000u | c[0] << 16 | c[1] << 8 | c[2];
  // 10 bits a channel, widened the way scanners do; the top bits are noise.
  auto ten = [](std::uint32_t v) { return v << 2 | v >> 6; };
  return 0xc0000000u | ten(c[0]) << 20 | ten(c[1]) << 10 | ten(c[2]);
}

// Runs of equal pixels, and literal stretches in between.
void encodeRunLength(std::vector<std::uint8_t>& out, const std::vector<int>& row, bool fourBit) {
  std::size_t x = 0;
  while (x < row.size()) {
    std::size_t run = 1;
    while (x + run < row.size() && row[x + run] == row[x] && run < 255) ++run;
    if (run >= 2) {
      out.push_back(static_cast<std::uint8_t>(run));
      out.push_back(static_cast<std::uint8_t>(fourBit ? row[x] << 4 | row[x] : row[x]));
      x += run;
      continue;
    }
    std::size_t literal = 1;
    while (x + literal < row.size() && literal < 254 &&
           !(x + literal + 1 < row.size() && row[x + literal] == row[x + literal + 1])) {
      ++literal;
    }
    if (literal < 3) {
      out.push_back(1);
      out.push_back(static_cast<std::uint8_t>(fourBit ? row[x] << 4 : row[x]));
      x += 1;
      continue;
    }
    out.push_back(0);
    out.push_back(static_cast<std::uint8_t>(literal));
    std::size_t start = out.size();
    for (std::size_t i = 0; i < literal; ++i) {
      if (!fourBit) {
        out.push_back(static_cast<std::uint8_t>(row[x + i]));
      } else if (i % 2 == 0) {
        out.push_back(static_cast<std::uint8_t>(row[x + i] << 4));
      } else {
        out.back() |= static_cast<std::uint8_t>(row[x + i]);
      }
    }
    if ((out.size() - start) % 2 != 0) out.push_back(0);
    x += literal;
  }
  out.push_back(0);
  out.push_back(0);
}

}  // namespace

std::vector<std::uint8_t> Picture::rgbBytes() const {
  std::vector<std::uint8_t> bytes;
  for (const Rgb& c : pixels) bytes.insert(bytes.end(), c.begin(), c.end());
  return bytes;
}

const std::vector<BmpFormInfo>& allBmpForms() {
  static const std::vector<BmpFormInfo> forms = {
      {BmpForm::Core1, "Core1", 2},
      {BmpForm::Core4, "Core4", 16},
      {BmpForm::Core8, "Core8", 256},
      {BmpForm::Core24, "Core24", 1 << 24},
      {BmpForm::Info1, "Info1", 2},
      {BmpForm::Info4, "Info4", 16},
      {BmpForm::Info8, "Info8", 256},
      {BmpForm::Info8ShortTable, "Info8ShortTable", 256},
      {BmpForm::Info8TopDown, "Info8TopDown", 256},
      {BmpForm::Rle4, "Rle4", 16},
      {BmpForm::Rle8, "Rle8", 256},
      {BmpForm::Info16, "Info16", 1 << 24},
      {BmpForm::BitFields16, "BitFields16", 1 << 24},
      {BmpForm::Info24, "Info24", 1 << 24},
      {BmpForm::Info24TopDown, "Info24TopDown", 1 << 24},
      {BmpForm::Info32, "Info32", 1 << 24},
      {BmpForm::BitFields32, "BitFields32", 1 << 24},
      {BmpForm::NoFileHeader8, "NoFileHeader8", 256},
      {BmpForm::NoFileHeaderCore24, "NoFileHeaderCore24", 1 << 24},
  };
  return forms;
}

std::vector<std::uint8_t> writeBmp(const Picture& picture, BmpForm form) {
  const Layout l = layoutOf(form);
  std::vector<Rgb> palette;
  std::map<Rgb, int> indexOf;
  if (l.bitCount <= 8) {
    for (const Rgb& c : picture.pixels) {
      if (indexOf.emplace(c, 0).second) palette.push_back(c);
    }
    std::sort(palette.begin(), palette.end());
    for (std::size_t i = 0; i < palette.size(); ++i) indexOf[palette[i]] = static_cast<int>(i);
  }
  const std::size_t tableEntries =
      l.bitCount > 8 ? 0 : (l.shortTable ? palette.size() : std::size_t{1} << l.bitCount);

  std::vector<std::uint8_t> bits;
  for (int r = 0; r < picture.height; ++r) {
    const int row = l.topDown ? picture.height - 1 - r : r;
    const Rgb* px = &picture.pixels[static_cast<std::size_t>(row) * picture.width];
    if (l.compression == 1 || l.compression == 2) {
      std::vector<int> indices;
      for (int x = 0; x < picture.width; ++x) indices.push_back(indexOf[px[x]]);
      encodeRunLength(bits, indices, l.compression == 2);
      continue;
    }
    const std::size_t start = bits.size();
    if (l.bitCount <= 8) {
      std::uint32_t acc = 0;
      int filled = 0;
      for (int x = 0; x < picture.width; ++x) {
        acc = acc << l.bitCount | static_cast<std::uint32_t>(indexOf[px[x]]);
        filled += l.bitCount;
        if (filled == 8) {
          bits.push_back(static_cast<std::uint8_t>(acc));
          acc = 0;
          filled = 0;
        }
      }
      if (filled > 0) bits.push_back(static_cast<std::uint8_t>(acc << (8 - filled)));
    } else if (l.bitCount == 24) {
      for (int x = 0; x < picture.width; ++x) {
        bits.push_back(px[x][2]);
        bits.push_back(px[x][1]);
        bits.push_back(px[x][0]);
      }
    } else {
      for (int x = 0; x < picture.width; ++x) put(bits, packed(px[x], l), l.bitCount / 8);
    }
    padRow(bits, start);
  }
  if (l.compression == 1 || l.compression == 2) {
    bits.push_back(0);
    bits.push_back(1);
  }

  std::vector<std::uint8_t> header;
  put(header, static_cast<std::uint32_t>(l.headerSize), 4);
  if (l.headerSize == 12) {
    put(header, static_cast<std::uint32_t>(picture.width), 2);
    put(header, static_cast<std::uint32_t>(picture.height), 2);
    put(header, 1, 2);
    put(header, static_cast<std::uint32_t>(l.bitCount), 2);
  } else {
    put(header, static_cast<std::uint32_t>(picture.width), 4);
    put(header, static_cast<std::uint32_t>(l.topDown ? -picture.height : picture.height), 4);
    put(header, 1, 2);
    put(header, static_cast<std::uint32_t>(l.bitCount), 2);
    put(header, l.compression, 4);
    put(header, static_cast<std::uint32_t>(bits.size()), 4);
    put(header, 2835, 4);
    put(header, 2835, 4);
    put(header, l.shortTable ? static_cast<std::uint32_t>(tableEntries) : 0, 4);
    put(header, 0, 4);
    if (l.compression == 3) {
      for (std::uint32_t mask : l.masks) put(header, mask, 4);
    }
  }
  for (std::size_t i = 0; i < tableEntries; ++i) {
    Rgb c = i < palette.size() ? palette[i] : Rgb{0x55, 0x66, 0x77};
    header.push_back(c[2]);
    header.push_back(c[1]);
    header.push_back(c[0]);
    if (l.headerSize == 40) header.push_back(0);
  }

  std::vector<std::uint8_t> file;
  if (l.fileHeader) {
    const std::uint32_t offset = static_cast<std::uint32_t>(14 + header.size());
    file = {'B', 'M'};
    put(file, offset + static_cast<std::uint32_t>(bits.size()), 4);
    put(file, 0, 4);
    put(file, offset, 4);
  }
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), bits.begin(), bits.end());
  return file;
}

void setU16(std::vector<std::uint8_t>& file, std::size_t at, std::uint16_t value) {
  file[at] = static_cast<std::uint8_t>(value);
  file[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void setU32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value) {
  setU16(file, at, static_cast<std::uint16_t>(value));
  setU16(file, at + 2, static_cast<std::uint16_t>(value >> 16));
}
