#pragma once
// The station window: one top-level window with a menu bar and an OpenGL area,
// and a compatibility-profile context that stays current on the main thread
// from creation to destruction. Every function here runs on the main thread.
//
// Creation failures are shown in a box captioned "ERROR" (warning icon) after
// releasing what was made; tear-down failures in boxes captioned
// "ERROR DE APAGADO" (information icon), and tear-down goes on.

// Loads the textures and builds the font (true on success), and releases what
// that built. The dashboard installs its own; without them the render state
// is set with no textures and no font.
struct RenderResources {
  bool (*load)() = nullptr;
  void (*release)() = nullptr;
};
void setRenderResources(RenderResources resources);

// width x height is the size of the drawing area; bits is the wanted colour
// depth. False: the failure has been shown and nothing is left open.
bool createStationWindow(const char* title, int width, int height, int bits);
void destroyStationWindow();

// Viewport and a 45 degree perspective for a drawing area of this size.
void resizeView(int width, int height);

// Textures, font and the fixed lighting, material and blending state.
bool initRenderState();

// For the frame loop.
struct ViewSize {
  int width = 0;
  int height = 0;
};
bool stationWindowOpen();
void processPendingEvents();
// Blocks until the toolkit has an event, then handles what is pending.
void waitForEvents();
void swapStationBuffers();
// True once after the window was shown, uncovered or resized: its picture
// must be drawn again even if nothing it shows has changed.
bool takeRepaintRequest();
ViewSize glAreaClientSize();  // in device pixels

// Title of the open station window (empty when there is none).
const char* stationWindowTitle();
