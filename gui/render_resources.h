#pragma once
// Releases what the installed render resources built (the font lists), while
// the context is still current. Called by the window's tear-down.
void releaseRenderResources();
