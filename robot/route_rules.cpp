#include "robot/route_rules.h"

int quadrant(float h) {
  if (h >= 0 && h < 90) return 1;
  if (h >= 90) return 2;
  if (h <= -90) return 3;
  return 4;
}

TurnChoice chooseTurn(float h, float phi) {
  TurnChoice c{};
  c.cuad_ini = quadrant(h);
  c.cuad_fin = quadrant(phi);
  c.regla = 4 * (c.cuad_ini - 1) + c.cuad_fin;
  const bool sameQuadrantCcw = phi - h >= 0;
  const bool acrossCcwFromAbove = (phi + 360) - h <= 180;
  const bool acrossCcwFromBelow = (h + 360) - phi > 180;
  switch (c.regla) {
    case 1:
    case 6:
    case 11:
    case 16:
      c.positivo = sameQuadrantCcw;
      break;
    case 2:
    case 7:
    case 12:
    case 13:
      c.positivo = 1;
      break;
    case 4:
    case 5:
    case 10:
    case 15:
      c.positivo = 0;
      break;
    case 3:
    case 8:
      c.positivo = acrossCcwFromAbove;
      break;
    default:  // 9 and 14
      c.positivo = acrossCcwFromBelow;
      break;
  }
  return c;
}
