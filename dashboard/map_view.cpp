#include "dashboard/map_view.h"

#include <GL/gl.h>

#include "dashboard/dashboard_colours.h"
#include "dashboard/map_texture.h"

void drawMapView(const RobotController& rc, float centreX, float centreY) {
  const float cx = centreX, cy = centreY;
  constexpr float h = 2.6f;

  // The frame first, so that it lies over the map's edge.
  glPushMatrix();
  setColour(kBlue);
  glLineWidth(2);
  drawLine(cx - h, cy + h, cx - h, cy - h);
  drawLine(cx + h, cy - h, cx + h, cy + h);
  drawLine(cx - h, cy + h, cx + h, cy + h);
  drawLine(cx - h, cy - h, cx + h, cy - h);
  glPopMatrix();

  glPushMatrix();
  buildMapTexture(rc);
  glBindTexture(GL_TEXTURE_2D, mapTextureName());
  // Decal: the texels replace the current (frame) colour.
  glBegin(GL_QUADS);
  glTexCoord2f(0, 1);
  glVertex2f(cx - h, cy + h);
  glTexCoord2f(0, 0);
  glVertex2f(cx - h, cy - h);
  glTexCoord2f(1, 0);
  glVertex2f(cx + h, cy - h);
  glTexCoord2f(1, 1);
  glVertex2f(cx + h, cy + h);
  glEnd();
  glPopMatrix();
}
