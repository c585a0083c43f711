#include "scanner/laser_options.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {
bool parsePort(std::string_view text, int& out) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size() || value < 1 || value > 65535) {
    return false;
  }
  out = value;
  return true;
}

// HOST, HOST:PORT, [IPv6] or [IPv6]:PORT.
bool parseHost(std::string_view text, std::string& host, int& port) {
  if (text.starts_with('[')) {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos || close == 1) return false;
    host.assign(text.substr(1, close - 1));
    const std::string_view rest = text.substr(close + 1);
    if (rest.empty()) return true;
    return rest.starts_with(':') && parsePort(rest.substr(1), port);
  }
  const std::size_t colon = text.find(':');
  if (colon != std::string_view::npos && text.find(':', colon + 1) != std::string_view::npos) {
    host.assign(text);  // a bare IPv6 address
    return true;
  }
  host.assign(text.substr(0, colon));
  if (host.empty()) return false;
  return colon == std::string_view::npos || parsePort(text.substr(colon + 1), port);
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
