#pragma once
// The dashboard's textures and the 256-glyph texture font. Main thread only,
// with the station window's context current.
#include <array>

// Slot 3: the emblem ("mono.bmp"); slot 4: the font ("font.bmp"). Slots 0 to 2
// are free (the map view takes its own name).
inline constexpr int kTextureSlots = 5;
inline constexpr int kEmblemTextureSlot = 3;
inline constexpr int kFontTextureSlot = 4;
extern std::array<unsigned int, kTextureSlots> textureNames;

// First of the 256 glyph display lists (0 while there is no font).
extern unsigned int fontListBase;

// Loads "font.bmp" and "mono.bmp" from the working folder, or from the
// installed share/torva when the folder lacks them; true when at least one of
// them loaded.
bool loadTextures();
void buildFont();
void deleteFont();

// Installs the loading above as the station window's render resources.
void useDashboardRenderResources();
