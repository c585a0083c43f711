#pragma once
// The mouse cursor, on the screen the station window is on. Main thread.

struct ScreenPoint {
  int x = 0;
  int y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

// Where the cursor is ({0, 0} when no display can be reached).
ScreenPoint cursorPosition();
void moveCursor(ScreenPoint to);

// While the left button is held the cursor is kept at screen point (320, 240):
// moved back there unless it is exactly there already.
void recentreCursor();

// Hiding twice needs one show; showing a cursor that is not hidden does nothing.
void hideCursor();
void showCursor();
