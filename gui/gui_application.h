#pragma once
// The toolkit's application object: made on first use when a display can be
// reached, and kept until the process ends.

// False when no display can be reached (nothing is made then).
bool ensureGuiApplication();

// Where the toolkit's own warnings go (one text each, no line end) instead of
// standard error, which a reader that stopped reading would let block the
// main thread. nullptr: standard error, as the toolkit does by itself.
void setToolkitMessageSink(void (*sink)(const char* text));
