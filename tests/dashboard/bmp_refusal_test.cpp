// Files the reader must refuse, and what the operator is told about them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "bmp_writer.h"
#include "dashboard/bmp_image.h"
#include "gui/message_box.h"
#include "tests/support/console_capture.h"

namespace {

using File = std::vector<std::uint8_t>;

Picture sample() {
  Picture p{5, 4, {}};
  for (int i = 0; i < 20; ++i) p.pixels.push_back(Rgb{std::uint8_t(i * 10), 0x10, 0xe7});
  return p;
}

// Offsets in a file with the 14-byte file header and a 40-byte info header.
constexpr std::size_t kBitsOffset = 10, kHeaderSize = 14, kWidth = 18, kHeight = 22, kPlanes = 26,
                      kBitCount = 28, kCompression = 30, kColoursUsed = 46;

// Keeps the first `length` bytes.
void cut(File& f, std::size_t length) {
  if (length < f.size()) f.erase(f.begin() + static_cast<std::ptrdiff_t>(length), f.end());
}

void replacePixels(File& f, const File& pixels) {
  cut(f, std::size_t{f[kBitsOffset]} | std::size_t{f[kBitsOffset + 1]} << 8);
  f.insert(f.end(), pixels.begin(), pixels.end());
}

struct Damage {
  const char* name;
  BmpForm form;
  std::function<void(File&)> damage;
  BmpError expected;
};

const Damage kDamages[] = {
    {"64-byte header", BmpForm::Info24, [](File& f) { setU32(f, kHeaderSize, 64); },
     BmpError::UnknownFormat},
    {"108-byte header", BmpForm::Info24, [](File& f) { setU32(f, kHeaderSize, 108); },
     BmpError::UnknownFormat},
    {"124-byte header", BmpForm::Info24, [](File& f) { setU32(f, kHeaderSize, 124); },
     BmpError::UnknownFormat},
    {"zero header size", BmpForm::Info24, [](File& f) { setU32(f, kHeaderSize, 0); },
     BmpError::UnknownFormat},
    {"108-byte header cut short", BmpForm::Info24,
     [](File& f) { setU32(f, kHeaderSize, 108), cut(f, 30); }, BmpError::UnknownFormat},
    {"empty file", BmpForm::Info24, [](File& f) { f.clear(); }, BmpError::ConversionError},
    {"only the signature", BmpForm::Info24, [](File& f) { cut(f, 2); }, BmpError::ConversionError},
    {"header cut short", BmpForm::Info24, [](File& f) { cut(f, 40); }, BmpError::ConversionError},
    {"pixels cut short", BmpForm::Info24, [](File& f) { cut(f, f.size() - 20); },
     BmpError::ConversionError},
    {"pixel offset past the end", BmpForm::Info24,
     [](File& f) { setU32(f, kBitsOffset, static_cast<std::uint32_t>(f.size() + 1)); },
     BmpError::ConversionError},
    {"pixel offset near the end", BmpForm::Info24,
     [](File& f) { setU32(f, kBitsOffset, static_cast<std::uint32_t>(f.size() - 8)); },
     BmpError::ConversionError},
    {"pixel offset far out", BmpForm::Info24, [](File& f) { setU32(f, kBitsOffset, 0xfffffff0); },
     BmpError::ConversionError},
    {"zero width", BmpForm::Info24, [](File& f) { setU32(f, kWidth, 0); },
     BmpError::ConversionError},
    {"negative width", BmpForm::Info24, [](File& f) { setU32(f, kWidth, 0xfffffffb); },
     BmpError::ConversionError},
    {"zero height", BmpForm::Info24, [](File& f) { setU32(f, kHeight, 0); },
     BmpError::ConversionError},
    {"two planes", BmpForm::Info24, [](File& f) { setU16(f, kPlanes, 2); },
     BmpError::ConversionError},
    {"7 bits a pixel", BmpForm::Info24, [](File& f) { setU16(f, kBitCount, 7); },
     BmpError::ConversionError},
    {"0 bits a pixel (embedded JPEG)", BmpForm::Info24,
     [](File& f) { setU16(f, kBitCount, 0), setU32(f, kCompression, 4); },
     BmpError::ConversionError},
    {"PNG compression", BmpForm::Info24, [](File& f) { setU32(f, kCompression, 5); },
     BmpError::ConversionError},
    {"run-length on 24 bits", BmpForm::Info24, [](File& f) { setU32(f, kCompression, 1); },
     BmpError::ConversionError},
    {"run-length top-down", BmpForm::Rle8, [](File& f) { setU32(f, kHeight, 0xfffffffc); },
     BmpError::ConversionError},
    {"bit fields on 8 bits", BmpForm::Info8, [](File& f) { setU32(f, kCompression, 3); },
     BmpError::ConversionError},
    {"colour table beyond the file", BmpForm::Info8,
     [](File& f) { setU32(f, kColoursUsed, 0x40000000); }, BmpError::ConversionError},
    {"bit field mask in two pieces", BmpForm::BitFields16, [](File& f) { setU32(f, 54, 0xf00f); },
     BmpError::ConversionError},
    {"bit field masks cut off", BmpForm::BitFields16, [](File& f) { cut(f, 60); },
     BmpError::ConversionError},
    {"literal run past the end", BmpForm::Rle8,
     [](File& f) {
       replacePixels(f, {0, 40, 1});
     },
     BmpError::ConversionError},
    {"jump cut off", BmpForm::Rle8,
     [](File& f) {
       replacePixels(f, {1, 1, 0, 2, 1});
     },
     BmpError::ConversionError},
    {"odd byte at the end", BmpForm::Rle8,
     [](File& f) {
       replacePixels(f, {2, 1, 3});
     },
     BmpError::ConversionError},
    {"huge picture in a small file", BmpForm::Rle8,
     [](File& f) { setU32(f, kWidth, 100000), setU32(f, kHeight, 100000); }, BmpError::OutOfMemory},
    {"just over the pixel limit", BmpForm::Rle8,
     [](File& f) { setU32(f, kWidth, 4097), setU32(f, kHeight, 4097); }, BmpError::OutOfMemory},
    {"top-down of 2^31 rows", BmpForm::Info24, [](File& f) { setU32(f, kHeight, 0x80000000); },
     BmpError::OutOfMemory},
};

TEST(BmpRefusal, DamagedFilesAreRefusedWithTheirReason) {
  for (const Damage& d : kDamages) {
    SCOPED_TRACE(d.name);
    File file = writeBmp(sample(), d.form);
    BmpImage check;
    ASSERT_EQ(decodeBmp(file, check), BmpError::None);
    d.damage(file);
    BmpImage image;
    image.width = 99;
    EXPECT_EQ(decodeBmp(file, image), d.expected);
    EXPECT_EQ(image.width, 0);
    EXPECT_TRUE(image.pixels.empty());
  }
}

TEST(BmpRefusal, LargestAcceptedPictureStillReads) {
  // The sample's runs fill a corner; the rest stays black.
  File file = writeBmp(sample(), BmpForm::Rle8);
  setU32(file, kWidth, 4096);
  setU32(file, kHeight, 4096);
  BmpImage image;
  ASSERT_EQ(decodeBmp(file, image), BmpError::None);
  EXPECT_EQ(image.pixels.size(), 4096u * 4096 * 3);
}

class BmpFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/torva_bmp_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    setMessageBoxSink([this](const MessageBoxRecord& box) { boxes.push_back(box); });
  }
  void TearDown() override {
    setMessageBoxSink({});
    std::system(("rm -rf " + folder).c_str());
  }
  std::string write(const char* name, const File& bytes) {
    std::string path = folder + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
  }
  std::string folder;
  std::vector<MessageBoxRecord> boxes;
};

TEST_F(BmpFileTest, RefusedFileShowsItsReasonAndAConsoleLine) {
  struct Case {
    const char* name;
    File bytes;
    const char* text;
  };
  File header64 = writeBmp(sample(), BmpForm::Info24);
  setU32(header64, kHeaderSize, 64);
  File header108 = writeBmp(sample(), BmpForm::Info24);
  setU32(header108, kHeaderSize, 108);
  File huge = writeBmp(sample(), BmpForm::Rle8);
  setU32(huge, kWidth, 60000);
  const Case cases[] = {
      {"v2.bmp", header64, "Unknown DIB file format."},
      {"v4.bmp", header108, "Unknown DIB file format."},
      {"empty.bmp", {}, "Image file conversion error."},
      {"huge.bmp", huge, "Out of memory."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boxes.clear();
    std::string path = write(c.name, c.bytes);
    ConsoleCapture capture;
    EXPECT_FALSE(loadImageFile(path.c_str()).has_value());
    std::string console = capture.text();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].text, c.text);
    EXPECT_EQ(boxes[0].icon, MessageIcon::None);
    EXPECT_NE(console.find(path), std::string::npos) << console;
    EXPECT_NE(console.find(c.text), std::string::npos) << console;
  }
}

TEST_F(BmpFileTest, MissingFilesAreSilent) {
  mkdir((folder + "/folder.bmp").c_str(), 0700);
  ConsoleCapture capture;
  EXPECT_FALSE(loadImageFile(nullptr).has_value());
  EXPECT_FALSE(loadImageFile("").has_value());
  EXPECT_FALSE(loadImageFile((folder + "/absent.bmp").c_str()).has_value());
  EXPECT_FALSE(loadBmpImage((folder + "/absent.bmp").c_str()).has_value());
  EXPECT_FALSE(loadImageFile((folder + "/folder.bmp").c_str()).has_value());
  EXPECT_EQ(capture.text(), "");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(BmpFileTest, GoodFileReadsFromDisk) {
  std::string path = write("good.bmp", writeBmp(sample(), BmpForm::Rle8));
  std::optional<BmpImage> image = loadImageFile(path.c_str());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->pixels, sample().rgbBytes());
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
