#include "dashboard/fixed_picture.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <array>

namespace {

struct Key {
  std::uint64_t content = 0;
  std::array<GLfloat, 4> clear{};
  std::array<GLint, 4> viewport{};
  std::array<GLfloat, 16> projection{};
  std::array<GLfloat, 16> model{};
  bool operator==(const Key&) const = default;
};

struct Picture {
  GLuint texture = 0;
  int width = 0, height = 0;
  Key key;
  bool valid = false;
};
Picture picture;
GLuint readFramebuffer = 0;  // the texture, as a source for copies

Key currentKey(std::uint64_t content) {
  Key key;
  key.content = content;
  glGetFloatv(GL_COLOR_CLEAR_VALUE, key.clear.data());
  glGetIntegerv(GL_VIEWPORT, key.viewport.data());
  glGetFloatv(GL_PROJECTION_MATRIX, key.projection.data());
  glGetFloatv(GL_MODELVIEW_MATRIX, key.model.data());
  return key;
}

// The texture, covering the viewport, and a framebuffer that reads it.
bool makeTexture(int width, int height) {
  if (picture.texture != 0 && picture.width == width && picture.height == height) return true;
  deleteFixedPicture();
  GLint texture = 0, read = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
  glGenTextures(1, &picture.texture);
  glBindTexture(GL_TEXTURE_2D, picture.texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  // Blue, green, red bytes, as window buffers commonly hold them.
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
  glGenFramebuffers(1, &readFramebuffer);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, picture.texture,
                         0);
  const bool complete = glCheckFramebufferStatus(GL_READ_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read));
  if (!complete) {
    deleteFixedPicture();
    return false;
  }
  picture.width = width;
  picture.height = height;
  return true;
}

// Draws into the texture what `draw` draws on a cleared frame, through a
// framebuffer with a depth buffer of its own, both let go afterwards.
bool render(const std::function<void()>& draw) {
  GLint previous = 0;
  GLfloat colour[4];
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previous);
  glGetFloatv(GL_CURRENT_COLOR, colour);
  GLuint depth = 0, framebuffer = 0;
  glGenRenderbuffers(1, &depth);
  glBindRenderbuffer(GL_RENDERBUFFER, depth);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, picture.width, picture.height);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, picture.texture, 0);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  if (complete) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushAttrib(GL_ENABLE_BIT | GL_LINE_BIT);
    glDisable(GL_TEXTURE_2D);
    draw();
    glPopAttrib();
    // Through glColor, not a pop of the current values, so that the colour
    // material follows it too.
    glColor4fv(colour);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previous));
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteRenderbuffers(1, &depth);
  return complete;
}

// The picture into the viewport of the frame being drawn, pixel for pixel.
void copy() {
  GLint read = 0;
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer);
  const auto& v = picture.key.viewport;
  glBlitFramebuffer(v[0], v[1], v[0] + v[2], v[1] + v[3], v[0], v[1], v[0] + v[2], v[1] + v[3],
                    GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read));
}

}  // namespace

bool startFrameWithFixedPicture(std::uint64_t content, const std::function<void()>& draw) {
  const Key key = currentKey(content);
  if (!picture.valid || !(picture.key == key)) {
    picture.valid = false;
    if (!makeTexture(key.viewport[0] + key.viewport[2], key.viewport[1] + key.viewport[3]) ||
        !render(draw)) {
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      return false;
    }
    picture.key = key;
    picture.valid = true;
  }
  copy();
  glClear(GL_DEPTH_BUFFER_BIT);
  return true;
}

void deleteFixedPicture() {
  if (readFramebuffer != 0) glDeleteFramebuffers(1, &readFramebuffer);
  if (picture.texture != 0) glDeleteTextures(1, &picture.texture);
  readFramebuffer = 0;
  picture = Picture{};
}
