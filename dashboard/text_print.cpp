#include "dashboard/text_print.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "dashboard/textures.h"

namespace {

// freeglut draws bitmap characters only after glutInit, which opens its own
// connection to the display; the station opens no GLUT window.
void ensureGlutReady() {
  static bool ready = false;
  if (ready) return;
  static int argc = 1;
  static char name[] = "torva";
  static char* argv[] = {name, nullptr};
  glutInit(&argc, argv);
  ready = true;
}

}  // namespace

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
  glColor3f(red, green, blue);
  glRasterPos2f(x, y);
  void* font = nullptr;
  if (size == 10) font = GLUT_BITMAP_HELVETICA_10;
  if (size == 12) font = GLUT_BITMAP_HELVETICA_12;
  if (size == 18) font = GLUT_BITMAP_HELVETICA_18;
  if (font != nullptr && text != nullptr) {
    ensureGlutReady();
    for (const char* c = text; *c != '\0'; ++c) {
      glutBitmapCharacter(font, static_cast<signed char>(*c));
    }
  }
  glFlush();
}
