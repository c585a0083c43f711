#include "robot/route_file.h"

#include <cmath>
#include <memory>

#include "os/console_print.h"
#include "os/text_numbers.h"
#include "state/robot_controller.h"

namespace {
// A route of a few hundred points is a few kilobytes; this bounds a wrong file.
constexpr std::size_t kMaxRouteFileBytes = 1u << 20;
// Metres either way from the route origin. A point further out cannot be
// driven: its segment would never be covered (and the value in millimetres
// may not even fit a float).
constexpr double kMaxRouteMetres = 10000;
}  // namespace

void readRouteFile(RobotController& rc) {
  rc.routeLoaded = false;
  consolePrintf("%s", rc.routeFileName);
  const auto text = readFileText(rc.routeFileName, kMaxRouteFileBytes);
  if (!text) return;
  consolePrintf("\a\a\n");
  takeRouteText(rc, *text);
}

void takeRouteText(RobotController& rc, std::string_view text) {
  auto points = std::make_shared<RoutePoints>();
  NumberScanner scanner(text);
  double pair[2] = {0, 0};
  int have = 0;
  ScanResult result;
  bool outOfRange = false;
  while ((result = scanner.next(pair[have])) == ScanResult::Number) {
    if (std::abs(pair[have]) > kMaxRouteMetres) {
      outOfRange = true;
      break;
    }
    if (++have == 2) {
      points->routeColumnA.push_back(static_cast<float>(pair[0]) * 1000.0f);
      points->routeColumnB.push_back(static_cast<float>(pair[1]) * 1000.0f);
      have = 0;
    }
  }

  const int count = static_cast<int>(points->routeColumnA.size());
  for (int k = 0; k < count; ++k) {
    consolePrintf("punto %d -> %f %f \n", k,
                  static_cast<double>(points->routeColumnA[static_cast<std::size_t>(k)]),
                  static_cast<double>(points->routeColumnB[static_cast<std::size_t>(k)]));
  }
  if (outOfRange) {
    consolePrintf("ruta: el punto %d esta fuera de rango (%g), se usan los %d puntos anteriores\n",
                  count, pair[have], count);
  } else if (result == ScanResult::NotNumber) {
    consolePrintf(
        "ruta: el archivo deja de ser legible en el punto %d, se usan los %d puntos "
        "anteriores\n",
        count, count);
  } else if (have == 1) {
    consolePrintf("ruta: numero suelto al final ignorado (par incompleto)\n");
  }

  rc.setRoute(std::move(points));
  rc.routeLastIndex = count - 1;
  rc.routeLoaded = true;
}
