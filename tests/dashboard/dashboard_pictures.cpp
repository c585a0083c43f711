// Draws every scene of dashboard_pictures.h in the 600 x 450 station window
// and writes each as <folder>/<scene>.png: how the kept pictures in
// tests/data/dashboard/ were made. Usage: dashboard_pictures <folder>
#include "dashboard_pictures.h"

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "dashboard/textures.h"
#include "state/arc_table.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "uso: dashboard_pictures <carpeta>\n");
    return 2;
  }
  std::string folder = argv[1];
  char here[4096];
  if (folder.front() != '/' && getcwd(here, sizeof here) != nullptr) folder = here + ("/" + folder);
  if (chdir(TORVA_RESOURCES) != 0) return 1;
  useDashboardRenderResources();
  if (!createStationWindow("Controlador TORVA version 1.0", 600, 450, 8)) return 1;
  ArcTable arcs;
  bool written = true;
  for (const pictures::Scene& scene : pictures::kScenes) {
    auto rc = std::make_unique<RobotController>();
    DashboardInputs inputs;
    scene.set(*rc, inputs);
    drawDashboard(*rc, arcs.cosines.data(), arcs.sines.data(), inputs);
    const std::string path = folder + "/" + scene.name + ".png";
    if (!pictures::readWindow().save(QString::fromStdString(path), "PNG")) {
      std::fprintf(stderr, "dashboard_pictures: no se pudo escribir %s\n", path.c_str());
      written = false;
    }
  }
  destroyStationWindow();
  return written ? 0 : 1;
}
