#pragma once
// Choosing the turning direction at the start of a route segment: sixteen rules
// over the quadrants of the current heading and of the bearing to the segment's
// end, each picking the shorter way round.

// Quadrant of a heading in degrees: 1 for [0, 90), 2 for [90, ...), 3 for
// (..., -90], 4 for (-90, 0).
int quadrant(float headingDeg);

struct TurnChoice {
  int cuad_ini;  // quadrant of the heading
  int cuad_fin;  // quadrant of the bearing phi
  int regla;     // 4 * (cuad_ini - 1) + cuad_fin
  int positivo;  // 1: counter-clockwise (heading increasing), 0: clockwise
};

TurnChoice chooseTurn(float headingDeg, float phiDeg);
