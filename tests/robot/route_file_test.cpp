#include "robot/route_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "state/robot_controller.h"
#include "tests/support/console_capture.h"
#include "tests/support/temp_dir.h"

namespace {
struct RouteRead {
  bool loaded;
  int lastIndex;
  std::vector<std::pair<float, float>> points;  // (column A, column B), mm
  std::string console;
};

RouteRead readRoute(RobotController& rc) {
  ConsoleCapture capture;
  readRouteFile(rc);
  RouteRead r{rc.routeLoaded, rc.routeLastIndex, {}, capture.text()};
  if (const auto route = rc.route()) {
    EXPECT_EQ(route->routeColumnA.size(), route->routeColumnB.size());
    for (std::size_t i = 0; i < route->routeColumnA.size(); ++i) {
      r.points.emplace_back(route->routeColumnA[i], route->routeColumnB[i]);
    }
  }
  return r;
}

RouteRead readRouteText(const std::string& text) {
  TempDir dir;
  const std::string path = dir.write("data_ruta.dat", text);
  auto rc = std::make_unique<RobotController>();
  rc->routeFileName = path.c_str();
  RouteRead r = readRoute(*rc);
  // The console starts with the file name; keep the rest for the checks.
  EXPECT_EQ(r.console.rfind(path, 0), 0u);
  r.console.erase(0, path.size());
  return r;
}

using Points = std::vector<std::pair<float, float>>;
}  // namespace

TEST(RouteFile, ThreePointExampleStoresMillimetresAndPrintsEachPoint) {
  const RouteRead r = readRouteText("0 0\n0 2\n1 2\n");
  EXPECT_TRUE(r.loaded);
  EXPECT_EQ(r.lastIndex, 2);
  EXPECT_EQ(r.points, (Points{{0, 0}, {0, 2000}, {1000, 2000}}));
  EXPECT_EQ(r.console,
            "\a\a\n"
            "punto 0 -> 0.000000 0.000000 \n"
            "punto 1 -> 0.000000 2000.000000 \n"
            "punto 2 -> 1000.000000 2000.000000 \n");
}

TEST(RouteFile, LayoutsAndBadEndings) {
  struct Case {
    const char* name;
    std::string text;
    Points points;
    const char* lastLine;  // the console's last line, or null for a point line
  };
  const Case cases[] = {
      {"two per line", "1.5 -2\n3 4\n", {{1500, -2000}, {3000, 4000}}, nullptr},
      {"all on one line", "1.5 -2 3 4", {{1500, -2000}, {3000, 4000}}, nullptr},
      {"tabs and CRLF", "1.5\t-2\r\n3\r\n4\r\n", {{1500, -2000}, {3000, 4000}}, nullptr},
      {"signs and exponent", "+1e-1 -.5\n", {{100, -500}}, nullptr},
      {"lone number",
       "1 2\n3 4\n5\n",
       {{1000, 2000}, {3000, 4000}},
       "ruta: numero suelto al final ignorado (par incompleto)\n"},
      {"only a lone number", "7", {}, "ruta: numero suelto al final ignorado (par incompleto)\n"},
      {"bad text",
       "1 2\n3 4\nfin 5 6\n",
       {{1000, 2000}, {3000, 4000}},
       "ruta: el archivo deja de ser legible en el punto 2, se usan los 2 puntos anteriores\n"},
      {"bad text mid pair",
       "1 2\n3 x\n",
       {{1000, 2000}},
       "ruta: el archivo deja de ser legible en el punto 1, se usan los 1 puntos anteriores\n"},
      {"not finite",
       "1 2\nnan 3\n",
       {{1000, 2000}},
       "ruta: el archivo deja de ser legible en el punto 1, se usan los 1 puntos anteriores\n"},
      // A value that cannot be driven ends the route at its point.
      {"far out",
       "0 0\n0 1e300\n",
       {{0, 0}},
       "ruta: el punto 1 esta fuera de rango (1e+300), se usan los 1 puntos anteriores\n"},
      {"beyond a float",
       "0 0\n1e39 0\n",
       {{0, 0}},
       "ruta: el punto 1 esta fuera de rango (1e+39), se usan los 1 puntos anteriores\n"},
      {"just past the limit",
       "0 0\n0 -10000\n0 -10000.5\n",
       {{0, 0}, {0, -10000000}},
       "ruta: el punto 2 esta fuera de rango (-10000.5), se usan los 2 puntos anteriores\n"},
      {"infinite",
       "0 0\n0 inf\n",
       {{0, 0}},
       "ruta: el archivo deja de ser legible en el punto 1, se usan los 1 puntos anteriores\n"},
      {"out of range lone number",
       "0 0\n-2e4",
       {{0, 0}},
       "ruta: el punto 1 esta fuera de rango (-20000), se usan los 1 puntos anteriores\n"},
      {"binary",
       std::string("\x01\xff\x00 1 2", 7),
       {},
       "ruta: el archivo deja de ser legible en el punto 0, se usan los 0 puntos anteriores\n"},
      {"empty", "", {}, nullptr},
      {"blank", " \n\n\t", {}, nullptr},
  };
  for (const Case& c : cases) {
    const RouteRead r = readRouteText(c.text);
    EXPECT_TRUE(r.loaded) << c.name;
    EXPECT_EQ(r.lastIndex, static_cast<int>(c.points.size()) - 1) << c.name;
    EXPECT_EQ(r.points, c.points) << c.name;
    const std::size_t start = r.console.rfind('\n', r.console.size() - 2);
    const std::string last = r.console.substr(start == std::string::npos ? 0 : start + 1);
    if (c.lastLine != nullptr) {
      EXPECT_EQ(last, c.lastLine) << c.name;
    } else {
      EXPECT_EQ(last.find("ruta:"), std::string::npos) << c.name;
    }
  }
}

TEST(RouteFile, MissingFilePrintsOnlyItsNameAndLoadsNothing) {
  TempDir dir;
  const std::string path = dir.file("no_such_route.dat");
  auto rc = std::make_unique<RobotController>();
  rc->routeFileName = path.c_str();
  const RouteRead r = readRoute(*rc);
  EXPECT_FALSE(r.loaded);
  EXPECT_EQ(r.console, path);
}

TEST(RouteFile, ALaterReadReplacesThePointsWhileAnEarlierCopyStaysValid) {
  TempDir dir;
  const std::string path = dir.write("data_ruta.dat", "0 0\n0 2\n1 2\n");
  auto rc = std::make_unique<RobotController>();
  rc->routeFileName = path.c_str();
  readRoute(*rc);
  const auto first = rc->route();
  dir.write("data_ruta.dat", "5 6\n");
  const RouteRead second = readRoute(*rc);
  EXPECT_EQ(second.lastIndex, 0);
  EXPECT_EQ(second.points, (Points{{5000, 6000}}));
  ASSERT_EQ(first->routeColumnA.size(), 3u);  // a reader's copy is untouched
  EXPECT_EQ(first->routeColumnB[2], 2000.0f);
  std::remove(path.c_str());
  EXPECT_FALSE(readRoute(*rc).loaded);
}
