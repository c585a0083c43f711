#pragma once
// GLUT's Helvetica bitmap glyphs drawn from one texture instead of one
// glBitmap each. A software rasteriser turns every glBitmap into a piece of
// work of its own; here a string is one batch of small textured quads, and
// it lands on exactly the pixels, colour and depth that glBitmap would give.
// Main thread, with the station window's context current.
#include <cstddef>

// Captures the glyphs from GLUT the first time it is called in a context.
// It moves the raster position, so it comes before the caller sets one.
void prepareGlyphs();

// Draws `text` at the current raster position with GLUT's Helvetica of
// `size` pixels (10, 12 or 18) and moves the raster position on as
// glutBitmapCharacter would. Bytes are GLUT's codes taken as signed, so bytes
// above 127 draw nothing and do not advance. The characters before `from`
// are only stepped over: the rest lands where it would in the whole text.
// Returns false (drawing nothing) for another size.
bool drawGlyphs(const char* text, int size, std::size_t from = 0);

// Forgets the glyph texture; called while its context is still current.
void deleteGlyphs();

// Between these two, drawGlyphs only takes note and the glyphs are drawn
// together, in order, at the end: one batch for many strings. Fit for texts
// that nothing drawn in between overlaps.
void beginGlyphBatch();
void endGlyphBatch();
