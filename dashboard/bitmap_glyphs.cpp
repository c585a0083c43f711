#include "dashboard/bitmap_glyphs.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// The capture: every glyph of the three fonts drawn by GLUT once, white on
// transparent, into a texture of 32 x 32 cells (16 codes a row, a font below
// the other), each with its pen at (8, 8) from the cell's lower left.
constexpr int kCell = 32;
constexpr int kPen = 8;
constexpr int kCodes = 128;
constexpr int kColumns = 16;
constexpr int kFontRows = kCodes / kColumns;
constexpr int kWidth = kColumns * kCell;
constexpr int kHeight = 3 * kFontRows * kCell;
constexpr int kSizes[3] = {10, 12, 18};

struct Glyph {
  // The lit pixels' box: from the pen, in pixels, and in the texture.
  int dx = 0, dy = 0, width = 0, height = 0;
  int u = 0, v = 0;
  float advance = 0;
};

struct Glyphs {
  unsigned int texture = 0;
  std::array<std::array<Glyph, kCodes>, 3> fonts{};
};
Glyphs glyphs;

void* glutFont(int font) {
  if (font == 0) return GLUT_BITMAP_HELVETICA_10;
  if (font == 1) return GLUT_BITMAP_HELVETICA_12;
  return GLUT_BITMAP_HELVETICA_18;
}

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

// Draws the glyphs into a texture through a framebuffer object, with the
// state glBitmap needs for plain white, and reads the lit boxes back. Leaves
// every state it touches as it found it.
bool capture() {
  ensureGlutReady();
  GLint viewport[4], framebuffer = 0, texture = 0, packing = 4;
  GLfloat colour[4], clear[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
  glGetIntegerv(GL_PACK_ALIGNMENT, &packing);
  glGetFloatv(GL_CURRENT_COLOR, colour);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  glPushAttrib(GL_ENABLE_BIT);

  glGenTextures(1, &glyphs.texture);
  glBindTexture(GL_TEXTURE_2D, glyphs.texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kWidth, kHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  GLuint fbo = 0;
  glGenFramebuffers(1, &fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, glyphs.texture, 0);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  std::vector<GLubyte> alpha(static_cast<std::size_t>(kWidth) * kHeight);
  if (complete) {
    glViewport(0, 0, kWidth, kHeight);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    for (int font = 0; font < 3; ++font) {
      for (int code = 1; code < kCodes; ++code) {
        glWindowPos2i((code % kColumns) * kCell + kPen,
                      (font * kFontRows + code / kColumns) * kCell + kPen);
        glutBitmapCharacter(glutFont(font), code);
      }
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_ALPHA, GL_UNSIGNED_BYTE, alpha.data());
  }
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
  glDeleteFramebuffers(1, &fbo);
  glPopAttrib();
  if (complete) {
    // Only the coverage is kept: a quarter of the capture's memory.
    GLint unpacking = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpacking);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, kWidth, kHeight, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                 alpha.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpacking);
  }
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  glPixelStorei(GL_PACK_ALIGNMENT, packing);
  glColor4fv(colour);
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
  if (!complete) {
    deleteGlyphs();
    return false;
  }

  for (int font = 0; font < 3; ++font) {
    for (int code = 1; code < kCodes; ++code) {
      const int x0 = (code % kColumns) * kCell;
      const int y0 = (font * kFontRows + code / kColumns) * kCell;
      int left = kCell, right = -1, bottom = kCell, top = -1;
      for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) {
          if (alpha[static_cast<std::size_t>(y0 + y) * kWidth + x0 + x] == 0) continue;
          left = std::min(left, x), right = std::max(right, x);
          bottom = std::min(bottom, y), top = std::max(top, y);
        }
      }
      Glyph& g = glyphs.fonts[static_cast<std::size_t>(font)][static_cast<std::size_t>(code)];
      g.advance = static_cast<float>(glutBitmapWidth(glutFont(font), code));
      if (right < 0) continue;  // a blank glyph: only its advance
      g.dx = left - kPen, g.dy = bottom - kPen;
      g.width = right - left + 1, g.height = top - bottom + 1;
      g.u = x0 + left, g.v = y0 + bottom;
    }
  }
  return true;
}

// One glyph's quad in window coordinates, with the string's colour and the
// depth of its raster position.
struct Quad {
  float left, bottom, right, top, z;
  float u0, v0, u1, v1;
  std::array<float, 4> colour;
};
std::vector<Quad> pending;  // reused from frame to frame
bool batching = false;

// Draws the pending quads, window pixel for texture pixel, and leaves every
// state it touches as it found it.
void drawPending() {
  if (pending.empty()) return;
  GLint viewport[4], texture = 0, envMode = GL_MODULATE, alphaFunc = GL_ALWAYS;
  GLfloat alphaRef = 0, colour[4], texCoord[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
  glGetIntegerv(GL_ALPHA_TEST_FUNC, &alphaFunc);
  glGetFloatv(GL_ALPHA_TEST_REF, &alphaRef);
  glGetFloatv(GL_CURRENT_COLOR, colour);
  glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
  const GLboolean lighting = glIsEnabled(GL_LIGHTING);
  const GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);
  const GLboolean alphaTest = glIsEnabled(GL_ALPHA_TEST);

  // Window coordinates, and a depth that lands exactly on the raster
  // position's: this box maps z to 0.5 - z / 2, which float arithmetic
  // undoes exactly for depths between 0.5 and 1.
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, glyphs.texture);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GREATER, 0.5f);
  glBegin(GL_QUADS);
  for (const Quad& q : pending) {
    // glBitmap's fragments take the raster colour, lit when it was set.
    glColor4fv(q.colour.data());
    glTexCoord2f(q.u0, q.v0);
    glVertex3f(q.left, q.bottom, q.z);
    glTexCoord2f(q.u1, q.v0);
    glVertex3f(q.right, q.bottom, q.z);
    glTexCoord2f(q.u1, q.v1);
    glVertex3f(q.right, q.top, q.z);
    glTexCoord2f(q.u0, q.v1);
    glVertex3f(q.left, q.top, q.z);
  }
  glEnd();
  pending.clear();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();

  lighting ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
  texturing ? glEnable(GL_TEXTURE_2D) : glDisable(GL_TEXTURE_2D);
  alphaTest ? glEnable(GL_ALPHA_TEST) : glDisable(GL_ALPHA_TEST);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, envMode);
  glAlphaFunc(static_cast<GLenum>(alphaFunc), alphaRef);
  // Through glColor, so that the colour material follows it too.
  glColor4fv(colour);
  glTexCoord4fv(texCoord);
}

}  // namespace

void prepareGlyphs() {
  static bool failed = false;
  if (glyphs.texture == 0 && !failed) failed = !capture();
}

bool drawGlyphs(const char* text, int size, std::size_t from) {
  const int* found = std::find(std::begin(kSizes), std::end(kSizes), size);
  if (found == std::end(kSizes)) return false;
  if (text == nullptr || *text == '\0') return true;
  if (glyphs.texture == 0) return true;  // no framebuffer object for the capture
  GLboolean valid = GL_FALSE;
  glGetBooleanv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
  if (!valid) return true;  // as glBitmap: nothing drawn, no advance
  GLfloat raster[4];
  std::array<float, 4> colour;
  glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
  glGetFloatv(GL_CURRENT_RASTER_COLOR, colour.data());
  const auto& font = glyphs.fonts[static_cast<std::size_t>(found - std::begin(kSizes))];

  const float z = 1 - 2 * raster[2];
  // glBitmap places a bitmap at floor(raster + 0.0001 - origin), the origin
  // a whole number for these fonts.
  const float bottom = std::floor(raster[1] + 0.0001f);
  float x = raster[0];
  for (const char* c = text; *c != '\0'; ++c) {
    const int code = static_cast<signed char>(*c);
    if (code <= 0) continue;
    const Glyph& g = font[static_cast<std::size_t>(code)];
    if (g.width > 0 && static_cast<std::size_t>(c - text) >= from) {
      Quad q;
      q.left = std::floor(x + 0.0001f) + static_cast<float>(g.dx);
      q.bottom = bottom + static_cast<float>(g.dy);
      q.right = q.left + static_cast<float>(g.width);
      q.top = q.bottom + static_cast<float>(g.height);
      q.z = z;
      q.u0 = static_cast<float>(g.u) / kWidth;
      q.v0 = static_cast<float>(g.v) / kHeight;
      q.u1 = static_cast<float>(g.u + g.width) / kWidth;
      q.v1 = static_cast<float>(g.v + g.height) / kHeight;
      q.colour = colour;
      pending.push_back(q);
    }
    x += g.advance;
    // The raster position moves on one character at a time, as GLUT moves it.
    glBitmap(0, 0, 0, 0, g.advance, 0, nullptr);
  }
  if (!batching) drawPending();
  return true;
}

void beginGlyphBatch() {
  batching = true;
}

void endGlyphBatch() {
  batching = false;
  drawPending();
}

void deleteGlyphs() {
  if (glyphs.texture != 0) glDeleteTextures(1, &glyphs.texture);
  glyphs = Glyphs{};
  pending.clear();
  batching = false;
}
