// One picture written in every BMP form the reader takes must read back as
// exactly the same pixels.
#include <gtest/gtest.h>

#include <set>

#include "bmp_writer.h"
#include "dashboard/bmp_image.h"

namespace {

// Channel values that survive 5- and 6-bit packing exactly, so that the
// packed forms hold the very same picture.
constexpr std::uint8_t kLevels[] = {0x00, 0x08, 0x10, 0x18, 0xe7, 0xef, 0xf7, 0xff};

// Odd width (every form pads its rows), runs for the run-length forms, and
// a row of distinct colours for their literal stretches.
Picture manyColours() {
  Picture p{7, 5, {}};
  const char* rows[] = {"0000012", "3456789", "AAAAAAA", "BB0CC1D", "EEE0EEF"};
  for (const char* row : rows) {
    for (int x = 0; x < 7; ++x) {
      int n = row[x] <= '9' ? row[x] - '0' : row[x] - 'A' + 10;
      p.pixels.push_back(Rgb{kLevels[n % 8], kLevels[(n * 3 + 1) % 8], kLevels[(n / 2 + 5) % 8]});
    }
  }
  return p;
}

Picture twoColours() {
  Picture p{13, 3, {}};
  for (int i = 0; i < 13 * 3; ++i) {
    p.pixels.push_back(i % 5 < 2 ? Rgb{0xff, 0xe7, 0x00} : Rgb{0x08, 0x10, 0xef});
  }
  return p;
}

TEST(BmpForms, EveryFormOfAPictureReadsAsTheSamePixels) {
  for (const Picture& picture : {manyColours(), twoColours()}) {
    std::set<Rgb> colours(picture.pixels.begin(), picture.pixels.end());
    for (const BmpFormInfo& form : allBmpForms()) {
      if (static_cast<int>(colours.size()) > form.maxColours) continue;
      SCOPED_TRACE(testing::Message()
                   << form.name << " " << picture.width << "x" << picture.height);
      std::vector<std::uint8_t> file = writeBmp(picture, form.form);
      BmpImage image;
      ASSERT_EQ(decodeBmp(file, image), BmpError::None);
      EXPECT_EQ(image.width, picture.width);
      EXPECT_EQ(image.height, picture.height);
      EXPECT_EQ(image.pixels, picture.rgbBytes());
    }
  }
}

TEST(BmpForms, NarrowRowsComeOutTight) {
  // 24-bit rows of 3 pixels are 9 bytes padded to 12 in the file.
  Picture picture{3, 2, {}};
  picture.pixels = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}, {16, 17, 18}};
  std::vector<std::uint8_t> file = writeBmp(picture, BmpForm::Info24);
  ASSERT_EQ(file.size(), 54u + 2 * 12);
  BmpImage image;
  ASSERT_EQ(decodeBmp(file, image), BmpError::None);
  EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14,
                                                     15, 16, 17, 18}));
}

// Hand-made run-length data: jumps, an early end and runs past the row
// edge. Pixels that no run reaches stay black, whatever colour 0 is.
TEST(BmpForms, RunLengthJumpsAndClippedRuns) {
  struct Case {
    const char* name;
    std::uint32_t compression;
    std::vector<std::uint8_t> data;
    std::vector<int> expected;  // palette index + 1 per pixel, 0 = black; 4 x 3, bottom row first
  };
  const Case cases[] = {
      {"rle8 jump and early end",
       1,
       {2, 1, 0, 2, 1, 1, 1, 2, 0, 1},
       {2, 2, 0, 0, /**/ 0, 0, 0, 3, /**/ 0, 0, 0, 0}},
      {"rle8 run past the row edge is cut",
       1,
       {9, 2, 0, 0, 0, 3, 1, 2, 1, 0, 0, 0, 1, 3},
       {3, 3, 3, 3, /**/ 2, 3, 2, 0, /**/ 4, 0, 0, 0}},
      {"rle8 jump below the picture ends it",
       1,
       {1, 1, 0, 2, 0, 200, 1, 3},
       {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"rle4 runs alternate two colours",
       2,
       {4, 0x12, 0, 0, 0, 3, 0x21, 0x30, 0, 1},
       {2, 3, 2, 3, /**/ 3, 2, 4, 0, /**/ 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> file(14 + 40 + 4 * 4 + c.data.size(), 0);
    file[0] = 'B';
    file[1] = 'M';
    setU32(file, 10, 14 + 40 + 4 * 4);
    setU32(file, 14, 40);
    setU32(file, 18, 4);
    setU32(file, 22, 3);
    setU16(file, 26, 1);
    setU16(file, 28, c.compression == 1 ? 8 : 4);
    setU32(file, 30, c.compression);
    setU32(file, 46, 4);  // four colours
    const Rgb palette[4] = {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {90, 90, 90}};
    for (int i = 0; i < 4; ++i) {
      file[54 + 4 * i] = palette[i][2];
      file[54 + 4 * i + 1] = palette[i][1];
      file[54 + 4 * i + 2] = palette[i][0];
    }
    std::copy(c.data.begin(), c.data.end(), file.begin() + 14 + 40 + 4 * 4);
    BmpImage image;
    ASSERT_EQ(decodeBmp(file, image), BmpError::None);
    std::vector<std::uint8_t> expected;
    for (int e : c.expected) {
      Rgb colour = e == 0 ? Rgb{0, 0, 0} : palette[e - 1];
      expected.insert(expected.end(), colour.begin(), colour.end());
    }
    EXPECT_EQ(image.pixels, expected);
  }
}

TEST(BmpForms, ColourIndexBeyondTheTableIsBlack) {
  Picture picture{2, 1, {{0xff, 0xff, 0xff}, {0x08, 0x08, 0x08}}};
  std::vector<std::uint8_t> file = writeBmp(picture, BmpForm::Info8ShortTable);
  file.back() = 0;
  file[file.size() - 4] = 7;  // first pixel: index 7 of a 2-colour table
  BmpImage image;
  ASSERT_EQ(decodeBmp(file, image), BmpError::None);
  EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{0, 0, 0, 0x08, 0x08, 0x08}));
}

}  // namespace
