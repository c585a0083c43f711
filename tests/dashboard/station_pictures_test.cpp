// The station's pictures in resources/: what the generator makes, and the
// glyph grid the text routines rely on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dashboard/bmp_image.h"

namespace {

std::vector<std::uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(StationPictures, GeneratorMakesTheCommittedFiles) {
  char pattern[] = "/tmp/torva_pictures_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string folder = pattern;
  // The generator's GL driver is unloaded before a leak check at its exit
  // could name it, so that check is left out for this one run.
  const char* asan = std::getenv("ASAN_OPTIONS");
  std::string command = "ASAN_OPTIONS='" + std::string(asan ? asan : "") + ":detect_leaks=0' " +
                        TORVA_PICTURE_GENERATOR + " " + folder;
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const char* name : {"font.bmp", "mono.bmp", "station_icon.bmp", "torva.xpm"}) {
    SCOPED_TRACE(name);
    std::vector<std::uint8_t> made = readAll(folder + "/" + name);
    ASSERT_FALSE(made.empty());
    EXPECT_TRUE(made == readAll(std::string(TORVA_RESOURCES) + "/" + name));
  }
  std::system(("rm -rf " + folder).c_str());
}

TEST(StationPictures, FontIsAGridOfLightGlyphsOnBlack) {
  std::vector<std::uint8_t> file = readAll(std::string(TORVA_RESOURCES) + "/font.bmp");
  BmpImage font;
  ASSERT_EQ(decodeBmp(file, font), BmpError::None);
  ASSERT_EQ(font.width, 256);
  ASSERT_EQ(font.height, 256);
  auto cellLit = [&](int cell) {
    int lit = 0;
    for (int ty = 0; ty < 16; ++ty) {
      for (int tx = 0; tx < 16; ++tx) {
        std::size_t at = ((15 - cell / 16) * 16 + ty) * 256 + (cell % 16) * 16 + tx;
        const std::uint8_t* p = &font.pixels[at * 3];
        EXPECT_TRUE((p[0] == 0 && p[1] == 0 && p[2] == 0) ||
                    (p[0] == 255 && p[1] == 255 && p[2] == 255));
        // Glyphs stay inside the 13 units one character advances.
        if (p[0] != 0) {
          EXPECT_LT(tx, 13) << "cell " << cell;
        }
        lit += p[0] != 0;
      }
    }
    return lit;
  };
  for (int set = 0; set < 2; ++set) {
    EXPECT_EQ(cellLit(set * 128), 0);  // the space
    for (int code = 33; code < 127; ++code) EXPECT_GT(cellLit(set * 128 + code - 32), 0) << code;
    for (int cell = 95; cell < 128; ++cell) EXPECT_EQ(cellLit(set * 128 + cell), 0) << cell;
  }
}

}  // namespace
