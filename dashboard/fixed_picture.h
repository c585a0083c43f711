#pragma once
// The dashboard's static layer: what stays the same from frame to frame
// (dial scales, the compass rose, radar rings and disc, frames and
// backgrounds, titles and captions), drawn once into a texture and copied in
// as each frame's background. Main thread, with the station window's context
// current.
#include <cstdint>
#include <functional>

// Starts a frame: fills it with the picture that clearing it (with the
// current clear colour) and running `draw` would make, and clears the depth
// buffer, so that whatever the frame draws next covers the picture as if it
// had been drawn before `draw`. `draw` runs, into the texture, only when
// `content`, the clear colour, the viewport, the projection or the
// model-view differ from the last picture's; it draws in the instruments'
// state (texturing off). Returns false, having only cleared colour and
// depth, where there are no framebuffer objects: the caller then runs
// `draw` itself at the end of the frame.
bool startFrameWithFixedPicture(std::uint64_t content, const std::function<void()>& draw);

// Forgets the picture; called while its context is still current.
void deleteFixedPicture();
