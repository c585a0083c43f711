#include "exporter/export_options.h"

const char* exportVersionText() {
  return "torva-export " TORVA_VERSION "\n";
}

const char* exportUsage() {
  return "uso: torva-export CARPETA [-o FICHERO.mcap]\n"
         "       torva-export --help | --version\n"
         "  Exporta un registro de la estacion (registros/AAAAMMDD-HHMMSS) a un fichero MCAP\n"
         "  que abren Foxglove, Lichtblick, PlotJuggler y las herramientas de ROS 2: barridos\n"
         "  del laser (/laser), posiciones (/tf), GPS (/gps, /gps/utm), el mapa final (/mapa),\n"
         "  el estado del robot (/robot) y las ordenes (/comandos), en su hora.\n"
         "  -o FICHERO.mcap  donde escribirlo (por defecto, registro.mcap en la carpeta)\n";
}

ExportCommand parseExportOptions(int argc, const char* const* argv, ExportOptions& o,
                                 std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") return ExportCommand::Help;
    if (arg == "--version") return ExportCommand::Version;
    if (arg == "-o") {
      if (i + 1 >= argc || *argv[i + 1] == '\0') {
        error = "falta el valor de -o";
        return ExportCommand::Bad;
      }
      o.output = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      error = "opcion desconocida: " + arg;
      return ExportCommand::Bad;
    } else if (o.recording.empty()) {
      o.recording = arg;
    } else {
      error = "sobra " + arg + ": solo se exporta un registro cada vez";
      return ExportCommand::Bad;
    }
  }
  if (o.recording.empty()) {
    error = "falta la carpeta del registro";
    return ExportCommand::Bad;
  }
  if (o.output.empty()) o.output = o.recording + "/registro.mcap";
  return ExportCommand::Run;
}
