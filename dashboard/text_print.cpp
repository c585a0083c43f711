#include "dashboard/text_print.h"

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "dashboard/bitmap_glyphs.h"
#include "dashboard/textures.h"

void printText(int x, int y, int set, const char* format, ...) {
  if (format == nullptr) return;
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (set > 1) set = 1;
  if (set < 0) set = 0;

  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, textureNames[kFontTextureSlot]);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(-600, 600, -450, 450, 0, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  // Glyphs add light to what is there.
  glEnable(GL_BLEND);
  glColor3f(0.99609375f, 0.59765625f, 0.0f);
  glDisable(GL_DEPTH_TEST);

  glTranslated(x, y, 0);
  glListBase(fontListBase - 32 + 128 * set);
  glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_BYTE, text);

  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glDisable(GL_TEXTURE_2D);
}

void drawBitmapText(const char* text, int size, float red, float green, float blue, float x,
                    float y) {
  drawBitmapTextFrom(text, 0, size, red, green, blue, x, y);
}

void drawBitmapTextFrom(const char* text, std::size_t from, int size, float red, float green,
                        float blue, float x, float y) {
  prepareGlyphs();
  glColor3f(red, green, blue);
  glRasterPos2f(x, y);
  drawGlyphs(text, size, from);
}

void drawBitmapNumberAfter(const char* caption, float value, int size, float red, float green,
                           float blue, float x, float y) {
  char text[128];
  std::snprintf(text, sizeof text, "%s%2.2f", caption, static_cast<double>(value));
  drawBitmapTextFrom(text, std::strlen(caption), size, red, green, blue, x, y);
}
