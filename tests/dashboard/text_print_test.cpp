// Text drawn on a real context, read back pixel by pixel: the texture font's
// glyph sets, placement and advance, the state each routine leaves, and the
// GLUT bitmap fonts.
#include "dashboard/text_print.h"

#include <array>
#include <cstring>

#include "dashboard_window.h"

namespace {

class TextPrintTest : public DashboardWindowTest {
 protected:
  void SetUp() override {
    folder.addResource("font.bmp");
    folder.addResource("mono.bmp");
    ASSERT_TRUE(open());
    ViewSize area = glAreaClientSize();
    ASSERT_EQ(area.width, 1200);  // one text unit to one pixel
    ASSERT_EQ(area.height, 900);
    ASSERT_EQ(decodeFont(), BmpError::None);
  }
  BmpError decodeFont() {
    std::FILE* f = std::fopen("font.bmp", "rb");
    std::vector<std::uint8_t> bytes(300000);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    return decodeBmp(bytes, font);
  }
  // Texel (tx, ty) of glyph cell `cell`, counted from the cell's lower left.
  bool texelLit(int cell, int tx, int ty) const {
    int x = (cell % 16) * 16 + tx;
    int y = (15 - cell / 16) * 16 + ty;
    return font.pixels[(static_cast<std::size_t>(y) * 256 + x) * 3] > 128;
  }
  // Pixels of the frame around (px, py) that disagree with the glyph there.
  int glyphMismatches(const Frame& frame, int cell, int px, int py, int fromTx = 0,
                      int toTx = 16) const {
    int wrong = 0;
    for (int ty = 0; ty < 16; ++ty) {
      for (int tx = fromTx; tx < toTx; ++tx) {
        wrong += frame.lit(px + tx, py + ty) != texelLit(cell, tx, ty);
      }
    }
    return wrong;
  }
  int glyphLitTexels(int cell) const {
    int n = 0;
    for (int ty = 0; ty < 16; ++ty)
      for (int tx = 0; tx < 16; ++tx) n += texelLit(cell, tx, ty);
    return n;
  }
  BmpImage font;
};

TEST_F(TextPrintTest, GlyphSetAndPlacement) {
  struct Case {
    int x, y, set;
    const char* text;
    int cell;  // -1: nothing drawn
  };
  const Case cases[] =
      {
          {0, 0, 0, "A", 33},    {0, 0, 1, "A", 161},      {0, 0, 2, "A", 161},
          {0, 0, 9, "A", 161},   {-600, -450, 0, "g", 71}, {100, -50, 1, "~", 222},
          {0, 0, 1, "\xc1", 33},  // bytes are signed: -63 in set 1 is glyph 33 of set 0
          {0, 0, 0, "\xc1", -1},  // ... and below every glyph list in set 0
          {0, 0, 0, "\x10", -1},  // control codes fall below the glyphs
      };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "set " << c.set << " at " << c.x << "," << c.y << " code "
                                    << int(static_cast<unsigned char>(c.text[0])));
    clearFrame();
    printText(c.x, c.y, c.set, "%s", c.text);
    Frame frame = readFrame();
    if (c.cell < 0) {
      EXPECT_EQ(frame.litCount(), 0);
      continue;
    }
    ASSERT_GT(glyphLitTexels(c.cell), 5);
    const int px = 600 + c.x, py = 450 + c.y;
    EXPECT_EQ(glyphMismatches(frame, c.cell, px, py), 0);
    EXPECT_EQ(frame.litCount(), glyphLitTexels(c.cell));  // nothing outside the glyph
  }
}

TEST_F(TextPrintTest, GlyphsAreOrangeAndAddLight) {
  clearFrame();
  printText(0, 0, 0, "%s", "H");
  Frame alone = readFrame();
  int reds = 0;
  for (int y = 450; y < 466; ++y) {
    for (int x = 600; x < 616; ++x) {
      if (!alone.lit(x, y)) continue;
      const std::uint8_t* p = alone.at(x, y);
      EXPECT_GT(p[0], p[1]);
      EXPECT_GT(p[1], 100);
      EXPECT_LT(p[2], 10);
      reds = p[0];
    }
  }
  EXPECT_GT(reds, 200);

  // Over a dark blue background the glyph's light is added to it.
  glClearColor(0, 0, 0.25f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  printText(0, 0, 0, "%s", "H");
  Frame over = readFrame();
  for (int y = 450; y < 466; ++y) {
    for (int x = 600; x < 616; ++x) {
      if (alone.lit(x, y)) {
        EXPECT_GE(over.at(x, y)[2], 60) << x << "," << y;
      }
    }
  }
}

TEST_F(TextPrintTest, GlyphsAdvanceThirteenUnits) {
  clearFrame();
  printText(-20, 10, 0, "%s%d", "A", 7);
  Frame frame = readFrame();
  const int px = 580, py = 460;
  EXPECT_EQ(glyphMismatches(frame, 33, px, py, 0, 13), 0);       // 'A' up to where '7' starts
  EXPECT_EQ(glyphMismatches(frame, 23, px + 13, py, 3, 16), 0);  // '7' past the end of 'A'
}

TEST_F(TextPrintTest, LeavesTexturingOffDepthOnAndMatricesAsTheyWere) {
  const GLfloat projection[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 1, 0, 0.5f, 0, 0, 1};
  for (const char* text : {"", "Hola"}) {
    SCOPED_TRACE(text);
    clearFrame();
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    GLint depthBefore = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);

    printText(0, 0, 0, "%s", text);

    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLint mode = 0, depth = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, depthBefore);
    std::array<GLfloat, 16> m{};
    glGetFloatv(GL_PROJECTION_MATRIX, m.data());
    EXPECT_EQ(0, std::memcmp(m.data(), projection, sizeof projection));
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    EXPECT_EQ(m[12], 1.0f);
    EXPECT_EQ(m[13], 2.0f);
    EXPECT_EQ(m[14], 3.0f);
    EXPECT_EQ(readFrame().litCount() == 0, text[0] == '\0');
  }
}

TEST_F(TextPrintTest, LongTextIsCutAt255Characters) {
  std::string longText(600, 'A');
  clearFrame();
  printText(-600, 0, 0, "%s", longText.c_str());
  Frame frame = readFrame();
  // 255 glyphs 13 units apart run past the right edge of the 1200-unit frame.
  EXPECT_EQ(glyphMismatches(frame, 33, 0, 450, 0, 13), 0);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(TextPrintTest, MissingFormatDrawsNothingAndChangesNothing) {
  clearFrame();
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  printText(0, 0, 0, nullptr);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(readFrame().litCount(), 0);
}

// GLUT bitmap text in window coordinates.
class BitmapTextTest : public TextPrintTest {
 protected:
  void SetUp() override {
    TextPrintTest::SetUp();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1200, 0, 900, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
  }
  struct Box {
    int count = 0, left = 1 << 30, right = -1, bottom = 1 << 30, top = -1;
  };
  static Box litBox(const Frame& frame) {
    Box box;
    for (int y = 0; y < frame.height; ++y) {
      for (int x = 0; x < frame.width; ++x) {
        if (!frame.lit(x, y)) continue;
        ++box.count;
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.bottom = std::min(box.bottom, y);
        box.top = std::max(box.top, y);
      }
    }
    return box;
  }
  static float rasterX() {
    GLfloat position[4] = {};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
    return position[0];
  }
};

TEST_F(BitmapTextTest, SizeChoosesHelvetica10_12Or18AndOthersDrawNothing) {
  int lastHeight = 0;
  for (int size : {10, 12, 18}) {
    SCOPED_TRACE(size);
    clearFrame();
    drawBitmapText("H", size, 1, 1, 1, 100, 200);
    Box box = litBox(readFrame());
    ASSERT_GT(box.count, 0);
    EXPECT_GE(box.left, 100);
    EXPECT_GE(box.bottom, 200);
    EXPECT_LT(box.top, 200 + size + 2);
    EXPECT_GT(box.top - box.bottom + 1, lastHeight);
    lastHeight = box.top - box.bottom + 1;
  }
  for (int size : {11, 0, -12, 24}) {
    SCOPED_TRACE(size);
    clearFrame();
    drawBitmapText("H", size, 1, 1, 1, 100, 200);
    EXPECT_EQ(readFrame().litCount(), 0);
    EXPECT_EQ(rasterX(), 100.0f);
  }
}

TEST_F(BitmapTextTest, DrawsInTheColourAsked) {
  struct Case {
    float r, g, b;
    int channel;
  };
  for (const Case& c : {Case{1, 0, 0, 0}, Case{0, 1, 0, 1}, Case{0, 0, 1, 2}}) {
    clearFrame();
    drawBitmapText("W", 18, c.r, c.g, c.b, 300, 300);
    Frame frame = readFrame();
    ASSERT_GT(frame.litCount(), 0);
    for (int y = 0; y < frame.height; ++y) {
      for (int x = 0; x < frame.width; ++x) {
        if (!frame.lit(x, y)) continue;
        for (int ch = 0; ch < 3; ++ch) {
          if (ch == c.channel) {
            EXPECT_GT(frame.at(x, y)[ch], 200);
          } else {
            EXPECT_EQ(frame.at(x, y)[ch], 0);
          }
        }
      }
    }
  }
}

TEST_F(BitmapTextTest, BytesAbove127AreNegativeCodesAndDrawNothing) {
  clearFrame();
  drawBitmapText("A", 12, 1, 1, 1, 100, 100);
  Frame plain = readFrame();
  float afterPlain = rasterX();
  EXPECT_GT(afterPlain, 100.0f);  // each character moves the raster position on

  clearFrame();
  drawBitmapText("\xc1", 12, 1, 1, 1, 100, 100);
  EXPECT_EQ(readFrame().litCount(), 0);
  EXPECT_EQ(rasterX(), 100.0f);

  clearFrame();
  drawBitmapText(
      "\xc1"
      "A\xe9",
      12, 1, 1, 1, 100, 100);
  EXPECT_TRUE(readFrame() == plain);
  EXPECT_EQ(rasterX(), afterPlain);
}

// A line whose caption is drawn once and whose value is drawn with each
// frame must land on the pixels of the whole line, wherever the raster
// position falls between pixels.
TEST_F(BitmapTextTest, TheRestOfATextLandsWhereItDoesInTheWholeText) {
  const char* line = "Desp X [m]: -12.34";
  constexpr std::size_t kCaption = 12;  // "Desp X [m]: "
  for (float x : {100.0f, 100.37f, 100.5f, 100.99f}) {
    SCOPED_TRACE(x);
    clearFrame();
    drawBitmapText(line, 12, 1, 1, 1, x, 300);
    const Frame whole = readFrame();
    const float afterWhole = rasterX();

    clearFrame();
    drawBitmapTextFrom(line, kCaption, 12, 1, 1, 1, x, 300);
    const Box value = litBox(readFrame());
    EXPECT_EQ(rasterX(), afterWhole);
    drawBitmapText("Desp X [m]: ", 12, 1, 1, 1, x, 300);
    EXPECT_TRUE(readFrame() == whole);

    clearFrame();
    drawBitmapText("Desp X [m]: ", 12, 1, 1, 1, x, 300);
    const Box caption = litBox(readFrame());
    EXPECT_GT(value.left, caption.right);

    clearFrame();
    drawBitmapTextFrom(line, std::strlen(line), 12, 1, 1, 1, x, 300);
    EXPECT_EQ(readFrame().litCount(), 0);
    EXPECT_EQ(rasterX(), afterWhole);
  }
}

}  // namespace
