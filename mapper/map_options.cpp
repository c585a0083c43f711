#include "mapper/map_options.h"

#include <charconv>
#include <cstring>
#include <filesystem>

namespace {
constexpr int kMinSize = 500;
constexpr int kMaxSize = 5000;

bool parseSize(const char* text, int& out) {
  const char* end = text + std::strlen(text);
  int value = 0;
  auto [ptr, ec] = std::from_chars(text, end, value);
  if (ec != std::errc() || ptr != end || value < kMinSize || value > kMaxSize) return false;
  out = value;
  return true;
}
}  // namespace

const char* mapVersionText() {
  return "torva-map " TORVA_VERSION "\n";
}

const char* mapUsage() {
  return "uso: torva-map CARPETA [-o FICHERO.png] [--size N]\n"
         "       torva-map --help | --version\n"
         "  Rehace el mapa de un registro de la estacion (registros/AAAAMMDD-HHMMSS)\n"
         "  con sus barridos del laser y las posiciones desde las que se marcaron.\n"
         "  -o FICHERO.png  donde escribirlo (por defecto, <nombre de la carpeta>.png aqui)\n"
         "  --size N        celdas de 0,1 m por lado, de 500 (el mapa de la estacion) a 5000;\n"
         "                  el inicio queda en el centro\n";
}

MapCommand parseMapOptions(int argc, const char* const* argv, MapOptions& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "-h" || arg == "--help") return MapCommand::Help;
    if (arg == "--version") return MapCommand::Version;
    if (arg == "-o" || arg == "--size") {
      if (value == nullptr || *value == '\0') {
        error = "falta el valor de " + arg;
        return MapCommand::Bad;
      }
      ++i;
      if (arg == "-o") {
        o.output = value;
      } else if (!parseSize(value, o.size)) {
        error = "valor no valido para --size (de 500 a 5000)";
        return MapCommand::Bad;
      }
    } else if (!arg.empty() && arg[0] == '-') {
      error = "opcion desconocida: " + arg;
      return MapCommand::Bad;
    } else if (o.recording.empty()) {
      o.recording = arg;
    } else {
      error = "sobra " + arg + ": solo se rehace un registro cada vez";
      return MapCommand::Bad;
    }
  }
  if (o.recording.empty()) {
    error = "falta la carpeta del registro";
    return MapCommand::Bad;
  }
  if (o.output.empty()) {
    const std::filesystem::path folder = std::filesystem::path(o.recording).lexically_normal();
    std::string name = folder.filename().string();
    if (name.empty() || name == ".") name = folder.parent_path().filename().string();
    o.output = (name.empty() || name == "." || name == ".." ? "mapa_registro" : name) + ".png";
  }
  return MapCommand::Run;
}
