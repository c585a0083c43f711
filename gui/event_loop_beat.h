#pragma once
// A sign that the main thread still handles events: beat() is called from the
// toolkit's event loop every period, whichever loop runs (the frame loop's, a
// menu's, a modal dialog's, a message box's). A main thread stuck anywhere
// else (a buffer swap that never returns) stops the beats.

// Starts the beats (once the toolkit is up); null stops them. False when
// there is no toolkit to beat from.
bool setEventLoopBeat(void (*beat)(), int periodMs);
