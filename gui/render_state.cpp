// Projection and fixed render state of the station window's context.
#include <GL/gl.h>
#include <GL/glu.h>

#include "gui/render_resources.h"
#include "gui/station_window.h"

namespace {
RenderResources installedResources;
}

void setRenderResources(RenderResources resources) {
  installedResources = resources;
}

void releaseRenderResources() {
  if (installedResources.release != nullptr) installedResources.release();
}

void resizeView(int width, int height) {
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<GLdouble>(width) / static_cast<GLdouble>(height), 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

bool initRenderState() {
  if (installedResources.load != nullptr && !installedResources.load()) return false;

  const GLfloat specular[] = {0.3f, 0.3f, 0.3f, 1.0f};
  const GLfloat brillo = 100.0f;
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, brillo);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);

  // Directional light, placed while the model-view matrix is the identity.
  const GLfloat light_ambient[] = {0.3f, 0.3f, 0.3f, 1.0f};
  const GLfloat light_position[] = {2.0f, 2.0f, 3.0f, 0.0f};
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glLightfv(GL_LIGHT0, GL_AMBIENT, light_ambient);
  glLightfv(GL_LIGHT0, GL_POSITION, light_position);
  glPopMatrix();

  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_COLOR_MATERIAL);

  glShadeModel(GL_SMOOTH);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
  return true;
}
