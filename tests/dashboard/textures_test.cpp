// The dashboard's textures and font as the station window loads them from
// its working folder.
#include <GL/gl.h>

#include "bmp_writer.h"
#include "dashboard_window.h"
#include "gui/window_faults.h"
#include "tests/support/console_capture.h"

namespace {

std::vector<std::uint8_t> textureImage(unsigned int name, int level, int& width, int& height) {
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, level, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

GLint textureParameter(unsigned int name, GLenum parameter) {
  GLint value = 0;
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
  return value;
}

using TexturesTest = DashboardWindowTest;

TEST_F(TexturesTest, FontAndEmblemBecomeTexturesAndTheFontItsGlyphLists) {
  folder.addResource("font.bmp");
  folder.addResource("mono.bmp");
  ASSERT_TRUE(open(600, 450));
  EXPECT_TRUE(boxes.empty());

  std::optional<BmpImage> fontPicture = loadBmpImage("font.bmp");
  ASSERT_TRUE(fontPicture.has_value());
  int width = 0, height = 0;
  std::vector<std::uint8_t> font = textureImage(textureNames[kFontTextureSlot], 0, width, height);
  EXPECT_EQ(width, 256);
  EXPECT_EQ(height, 256);
  EXPECT_EQ(font, fontPicture->pixels);
  EXPECT_EQ(textureParameter(textureNames[kFontTextureSlot], GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(textureParameter(textureNames[kFontTextureSlot], GL_TEXTURE_MAG_FILTER), GL_NEAREST);

  // The emblem carries its whole mipmap chain down to one texel.
  const unsigned int emblem = textureNames[kEmblemTextureSlot];
  EXPECT_NE(emblem, textureNames[kFontTextureSlot]);
  textureImage(emblem, 0, width, height);
  EXPECT_EQ(width, 128);
  textureImage(emblem, 7, width, height);
  EXPECT_EQ(width, 1);
  EXPECT_EQ(height, 1);
  EXPECT_EQ(textureParameter(emblem, GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(textureParameter(emblem, GL_TEXTURE_WRAP_T), GL_REPEAT);
  EXPECT_EQ(textureParameter(emblem, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  GLint env = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  EXPECT_EQ(env, GL_MODULATE);

  ASSERT_NE(fontListBase, 0u);
  for (unsigned int i = 0; i < 256; ++i) EXPECT_TRUE(glIsList(fontListBase + i)) << i;
  const unsigned int base = fontListBase;
  destroyStationWindow();
  EXPECT_EQ(fontListBase, 0u);
  EXPECT_NE(base, 0u);
}

TEST_F(TexturesTest, PicturesOfAnyWidthUploadRowByRow) {
  // Three pixels a row: rows that are not a multiple of four bytes.
  Picture odd{3, 2, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}}};
  folder.addFile("font.bmp", writeBmp(odd, BmpForm::Info24));
  folder.addFile("mono.bmp", writeBmp(odd, BmpForm::Info8));
  ASSERT_TRUE(open(600, 450));
  int width = 0, height = 0;
  EXPECT_EQ(textureImage(textureNames[kFontTextureSlot], 0, width, height), odd.rgbBytes());
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 4);  // put back as it was
}

TEST_F(TexturesTest, OnePictureIsEnoughToStart) {
  struct Case {
    const char* present;
    bool fontTexture;
  };
  for (const Case& c : {Case{"font.bmp", true}, Case{"mono.bmp", false}}) {
    SCOPED_TRACE(c.present);
    std::remove("font.bmp");
    std::remove("mono.bmp");
    folder.addResource(c.present);
    ASSERT_TRUE(open(600, 450));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(textureNames[kFontTextureSlot] != 0, c.fontTexture);
    EXPECT_NE(fontListBase, 0u);  // text still has its glyph lists
    destroyStationWindow();
  }
}

TEST_F(TexturesTest, NoPictureAtAllFailsTheWindow) {
  EXPECT_FALSE(open(600, 450));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "ERROR");
  EXPECT_EQ(boxes[0].text, "Fallo en la inicializacion.");
  EXPECT_EQ(stationWindowCensus().toolkitWindows, 0);
  EXPECT_EQ(fontListBase, 0u);
}

TEST_F(TexturesTest, UnreadableFontIsReportedAndTheEmblemStillLoads) {
  std::vector<std::uint8_t> v4 = writeBmp(Picture{1, 1, {{1, 2, 3}}}, BmpForm::Info24);
  setU32(v4, 14, 108);
  folder.addFile("font.bmp", v4);
  folder.addResource("mono.bmp");
  ConsoleCapture capture;
  ASSERT_TRUE(open(600, 450));
  std::string console = capture.text();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "Unknown DIB file format.");
  EXPECT_NE(console.find("font.bmp"), std::string::npos);
  EXPECT_NE(textureNames[kEmblemTextureSlot], 0u);
}

}  // namespace
