#pragma once
// The dashboard's two ways of writing: captions in the texture font, and
// labels in GLUT's Helvetica bitmap fonts. Main thread, inside a frame.
#include <cstddef>

// Formats and prints in orange with glyph set 0 or 1 (higher sets print as 1)
// in a 1200 x 900 frame centred on the viewport; (x, y) is the first glyph's
// lower left corner. Results longer than 255 characters are cut. Leaves 2D
// texturing off, depth testing on and blending off.
void printText(int x, int y, int set, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Draws text at the raster position (x, y) of the current frame with GLUT's
// Helvetica of size 10, 12 or 18 pixels, pixel for pixel as GLUT draws it
// (bitmap_glyphs.h); any other size draws nothing. Bytes are taken as signed
// codes, so those above 127 draw nothing. No flush: the frame ends with one.
void drawBitmapText(const char* text, int size, float red, float green, float blue, float x,
                    float y);

// The same text drawn only from character `from` on, each character where it
// lands in the whole text: the changing end of a text whose beginning is
// drawn once, elsewhere.
void drawBitmapTextFrom(const char* text, std::size_t from, int size, float red, float green,
                        float blue, float x, float y);

// The number `value` ("%2.2f") that follows `caption` on a line whose caption
// is drawn elsewhere: only the number, each character where it falls in the
// whole line.
void drawBitmapNumberAfter(const char* caption, float value, int size, float red, float green,
                           float blue, float x, float y);
