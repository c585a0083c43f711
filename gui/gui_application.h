#pragma once
// The toolkit's application object: made on first use when a display can be
// reached, and kept until the process ends.

// False when no display can be reached (nothing is made then).
bool ensureGuiApplication();
