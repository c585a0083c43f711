#include "dashboard/textures.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "dashboard/bitmap_glyphs.h"
#include "dashboard/bmp_image.h"
#include "dashboard/fixed_picture.h"
#include "dashboard/map_texture.h"
#include "gui/station_window.h"
#include "os/installed_files.h"

std::array<unsigned int, kTextureSlots> textureNames{};
unsigned int fontListBase = 0;

namespace {

// Pictures come with tight rows, whatever their width.
class TightRowUnpacking {
 public:
  TightRowUnpacking() {
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &saved_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  }
  ~TightRowUnpacking() { glPixelStorei(GL_UNPACK_ALIGNMENT, saved_); }
  TightRowUnpacking(const TightRowUnpacking&) = delete;
  TightRowUnpacking& operator=(const TightRowUnpacking&) = delete;

 private:
  GLint saved_ = 4;
};

bool loadTexturesAndFont() {
  if (!loadTextures()) return false;
  buildFont();
  return true;
}

void releaseTexturesAndFont() {
  deleteFont();
  deleteGlyphs();
  deleteFixedPicture();
  deleteMapTexture();
  // Names that were never made into textures are ignored by GL.
  glDeleteTextures(kTextureSlots, textureNames.data());
  textureNames.fill(0);
}

}  // namespace

bool loadTextures() {
  bool result = false;
  if (std::optional<BmpImage> font = loadImageFile(stationDataFile("font.bmp").c_str())) {
    result = true;
    glGenTextures(5, textureNames.data());
    glBindTexture(GL_TEXTURE_2D, textureNames[kFontTextureSlot]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    TightRowUnpacking unpacking;
    glTexImage2D(GL_TEXTURE_2D, 0, 3, font->width, font->height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 font->pixels.data());
  }
  if (std::optional<BmpImage> emblem = loadImageFile(stationDataFile("mono.bmp").c_str())) {
    result = true;
    glGenTextures(4, textureNames.data());
    glBindTexture(GL_TEXTURE_2D, textureNames[kEmblemTextureSlot]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    TightRowUnpacking unpacking;
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, emblem->width, emblem->height, GL_RGB, GL_UNSIGNED_BYTE,
                      emblem->pixels.data());
  }
  return result;
}

void buildFont() {
  fontListBase = glGenLists(256);
  glBindTexture(GL_TEXTURE_2D, textureNames[kFontTextureSlot]);
  for (int i = 0; i < 256; ++i) {
    const float cx = static_cast<float>(i % 16) / 16.0f;
    const float cy = static_cast<float>(i / 16) / 16.0f;
    glNewList(fontListBase + i, GL_COMPILE);
    glBegin(GL_QUADS);
    glTexCoord2f(cx, 1 - cy - 0.0625f);
    glVertex2i(0, 0);
    glTexCoord2f(cx + 0.0625f, 1 - cy - 0.0625f);
    glVertex2i(16, 0);
    glTexCoord2f(cx + 0.0625f, 1 - cy);
    glVertex2i(16, 16);
    glTexCoord2f(cx, 1 - cy);
    glVertex2i(0, 16);
    glEnd();
    // Glyphs are 16 units wide but set 13 apart.
    glTranslated(13, 0, 0);
    glEndList();
  }
}

void deleteFont() {
  if (fontListBase == 0) return;
  glDeleteLists(fontListBase, 256);
  fontListBase = 0;
}

void useDashboardRenderResources() {
  setRenderResources(RenderResources{loadTexturesAndFont, releaseTexturesAndFont});
}
