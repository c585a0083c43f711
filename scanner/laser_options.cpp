#include "scanner/laser_options.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "os/host_port.h"

namespace {
// HOST, HOST:PORT, [IPv6], [IPv6]:PORT or a bare IPv6 address (no port then).
bool parseHost(std::string_view text, std::string& host, int& port) {
  if (!text.starts_with('[') && std::count(text.begin(), text.end(), ':') > 1) {
    host.assign(text);
    return true;
  }
  const std::optional<HostPort> given = splitHostPort(text);
  if (!given || given->host.empty()) return false;
  host.assign(given->host);
  if (given->port != 0) port = given->port;
  return true;
}
}  // namespace

const char* laserVersionText() {
  return "torva-laser " TORVA_VERSION "\n";
}

const char* laserUsage() {
  return "uso: torva-laser --lms DISPOSITIVO [--baudios 9600|19200|38400|500000] [-o FICHERO]\n"
         "       torva-laser --cola HOST[:PUERTO] [-o FICHERO]\n"
         "       torva-laser --help | --version\n"
         "Lee el escaner laser y escribe cada barrido en FICHERO (por defecto data_sick.dat\n"
         "en esta carpeta) como lo lee la estacion TORVA: -1, 361 y 361 distancias en cm,\n"
         "una cada 0,5 grados; 8191 donde no hay eco. Reconecta solo; termina con SIGINT\n"
         "o SIGTERM, tras parar la salida del escaner.\n"
         "  --lms DISPOSITIVO  PLS o LMS 2xx por linea serie (por ejemplo /dev/ttyUSB0)\n"
         "  --baudios N        velocidad de trabajo de la linea (por defecto 38400)\n"
         "  --cola HOST:PUERTO TiM 5xx, LMS 1xx o LMS 5xx por CoLa-A en TCP (puerto 2111\n"
         "                     por defecto)\n"
         "  -o FICHERO         donde escribir los barridos\n";
}

LaserCommand parseLaserOptions(int argc, const char* const* argv, LaserOptions& o,
                               std::string& error) {
  bool lms = false, cola = false, baudGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") return LaserCommand::Help;
    if (arg == "--version") return LaserCommand::Version;
    if (arg != "--lms" && arg != "--cola" && arg != "--baudios" && arg != "-o") {
      error = "opcion desconocida: " + arg;
      return LaserCommand::Bad;
    }
    const char* value = i + 1 < argc ? argv[++i] : nullptr;
    if (value == nullptr || *value == '\0') {
      error = "falta el valor de " + arg;
      return LaserCommand::Bad;
    }
    if (arg == "--lms") {
      lms = true;
      o.protocol = LaserOptions::Protocol::Lms;
      o.device = value;
    } else if (arg == "--cola") {
      cola = true;
      o.protocol = LaserOptions::Protocol::Cola;
      if (!parseHost(value, o.host, o.port)) {
        error = std::string("valor no valido para --cola: ") + value;
        return LaserCommand::Bad;
      }
    } else if (arg == "--baudios") {
      const std::string_view v(value);
      if (v != "9600" && v != "19200" && v != "38400" && v != "500000") {
        error = "valor no valido para --baudios (9600, 19200, 38400 o 500000)";
        return LaserCommand::Bad;
      }
      o.baud = std::atoi(value);
      baudGiven = true;
    } else {
      o.output = value;
    }
  }
  if (lms == cola) {
    error = lms ? "--lms y --cola no van juntos" : "falta --lms DISPOSITIVO o --cola HOST";
    return LaserCommand::Bad;
  }
  if (cola && baudGiven) {
    error = "--baudios solo sirve con --lms";
    return LaserCommand::Bad;
  }
  return LaserCommand::Run;
}
