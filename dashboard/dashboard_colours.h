#pragma once
// The dashboard's palette and the small drawing steps every instrument repeats.
// Everything lies in the plane z = 0; with depth testing on, the first
// primitive drawn at a pixel keeps it.
#include <GL/gl.h>

struct GlColour {
  float r, g, b;
};

inline constexpr GlColour kBlue{0.07421875f, 0.1796875f, 0.5625f};  // titles and frames
inline constexpr GlColour kOrange{0.99609375f, 0.59765625f, 0.0f};  // values
inline constexpr GlColour kGrey{0.375f, 0.375f, 0.375f};            // backgrounds
inline constexpr GlColour kDarkOrange{0.9375f, 0.46875f, 0.0f};     // left end of a bar segment
inline constexpr GlColour kBlack{0.0f, 0.0f, 0.0f};
inline constexpr GlColour kYellowGreen{0.7578125f, 0.796875f, 0.04296875f};
inline constexpr GlColour kRed{0.71484375f, 0.05078125f, 0.015625f};

inline void setColour(GlColour c) {
  glColor3f(c.r, c.g, c.b);
}

inline void drawLine(float x1, float y1, float x2, float y2) {
  glBegin(GL_LINES);
  glVertex2f(x1, y1);
  glVertex2f(x2, y2);
  glEnd();
}

inline void fillQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                     float y4) {
  glBegin(GL_QUADS);
  glVertex2f(x1, y1);
  glVertex2f(x2, y2);
  glVertex2f(x3, y3);
  glVertex2f(x4, y4);
  glEnd();
}
