#include "robot/route_rules.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(RouteRules, QuadrantsOfTheHeadingAndTheirEdges) {
  struct Case {
    float heading;
    int quadrant;
  };
  for (const Case c : {Case{0, 1}, Case{45, 1}, Case{89.99f, 1}, Case{90, 2}, Case{180, 2},
                       Case{-0.01f, 4}, Case{-89.99f, 4}, Case{-90, 3}, Case{-179.9f, 3}}) {
    EXPECT_EQ(quadrant(c.heading), c.quadrant) << c.heading;
  }
}

TEST(RouteRules, EachPairOfQuadrantsHasItsRule) {
  struct Case {
    float h, phi;
    int regla, positivo;
  };
  const Case cases[] = {
      {10, 40, 1, 1},     {40, 10, 1, 0},      {30, 30, 1, 1},      {10, 120, 2, 1},
      {80, -100, 3, 1},   {10, -100, 3, 0},    {30, -30, 4, 0},     {120, 10, 5, 0},
      {100, 150, 6, 1},   {150, 100, 6, 0},    {170, -170, 7, 1},   {170, -20, 8, 1},
      {100, -20, 8, 0},   {-100, 80, 9, 0},    {-100, 60, 9, 1},    {-170, 20, 9, 0},
      {-100, 100, 10, 0}, {-150, -100, 11, 1}, {-100, -150, 11, 0}, {-100, -30, 12, 1},
      {-30, 30, 13, 1},   {-20, 170, 14, 0},   {-10, 100, 14, 1},   {-30, -120, 15, 0},
      {-40, -10, 16, 1},  {-10, -40, 16, 0},
  };
  for (const Case& c : cases) {
    const TurnChoice t = chooseTurn(c.h, c.phi);
    EXPECT_EQ(t.regla, c.regla) << c.h << " -> " << c.phi;
    EXPECT_EQ(t.positivo, c.positivo) << c.h << " -> " << c.phi;
  }
}

TEST(RouteRules, TheRulesPickTheShorterWayRound) {
  for (float h = -179.5f; h <= 180; h += 3.7f) {
    for (float phi = -179.5f; phi <= 180; phi += 4.3f) {
      double diff = std::fmod(static_cast<double>(phi) - h + 540.0, 360.0) - 180.0;
      if (std::abs(diff) < 0.01 || std::abs(diff) > 179.99) continue;  // ties
      EXPECT_EQ(chooseTurn(h, phi).positivo, diff > 0 ? 1 : 0) << h << " -> " << phi;
    }
  }
}
