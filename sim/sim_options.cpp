#include "sim/sim_options.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace {
bool parseInt(const char* text, int low, int high, int& out) {
  const char* end = text + std::strlen(text);
  int value = 0;
  auto [ptr, ec] = std::from_chars(text, end, value);
  if (ec != std::errc() || ptr != end || value < low || value > high) return false;
  out = value;
  return true;
}

bool parseDouble(std::string_view text, double low, double high, double& out) {
  double value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size() || !(value >= low && value <= high)) {
    return false;
  }
  out = value;
  return true;
}

// "LAT,LON" in decimal degrees, south and west negative.
bool parseOrigin(std::string_view text, GeoOrigin& origin) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return false;
  double lat = 0, lon = 0;
  if (!parseDouble(text.substr(0, comma), -89.9, 89.9, lat) ||
      !parseDouble(text.substr(comma + 1), -180, 180, lon)) {
    return false;
  }
  origin.latDeg = lat;
  origin.lonDeg = lon;
  return true;
}
}  // namespace

const char* simUsage() {
  return "uso: torva-sim [--address IP] [--port N] [--cycle-ms N] [--step-ms N] [--watchdog-ms N]\n"
         "               [--model NOMBRE] [--pty] [--no-tcp] [--log FICHERO] [opciones del mundo]\n"
         "       torva-sim --help | --version\n"
         "Simulador de robot para el controlador TORVA: un robot de traccion diferencial\n"
         "en una sala, con el protocolo del robot por TCP (127.0.0.1:8101 por defecto),\n"
         "laser y GPS, hasta SIGINT o SIGTERM.\n"
         "  --port 0 elige un puerto libre y lo imprime; --pty crea una linea serie\n"
         "  (pseudoterminal) e imprime su ruta; --log guarda las ordenes recibidas;\n"
         "  --step-ms fija el tiempo simulado de cada ciclo (por defecto, el del ciclo).\n"
         "Mundo:\n"
         "  --map FICHERO        mapa de lineas (2D-Map); por defecto, la sala incluida\n"
         "  --laser-dir CARPETA  escribe CARPETA/data_sick.dat cada 100 ms\n"
         "  --laser-noise CM     ruido del fichero del laser (desviacion tipica, cm)\n"
         "  --lms-pty            un escaner LMS 2xx (protocolo de telegramas serie) en una\n"
         "                       pseudoterminal, para torva-laser --lms\n"
         "  --lms-no-continuous  el escaner LMS rechaza la salida continua\n"
         "  --cola-port N        un escaner CoLa-A (como un LMS 1xx) en 127.0.0.1:N, para\n"
         "                       torva-laser --cola; 0 elige un puerto libre\n"
         "  --cola-no-events     el escaner CoLa-A rechaza sEN LMDscandata\n"
         "  --gps-pty            NMEA (GGA, RMC, GSA) a 1 Hz en una pseudoterminal\n"
         "  --gps-origin LAT,LON origen en grados decimales (sur y oeste negativos)\n"
         "  --gps-drop N         no envia una de cada N sentencias\n"
         "  --gps-corrupt N      estropea la suma de una de cada N sentencias\n"
         "Reproduccion:\n"
         "  --replay CARPETA     reproduce un registro de la estacion (registros/...): el robot\n"
         "                       envia los paquetes de estado grabados (las ordenes se anotan\n"
         "                       pero no se obedecen), el laser y el GPS lo grabado, a su ritmo;\n"
         "                       el reloj espera antes del primer paquete a que la estacion\n"
         "                       conecte. Con --laser-dir y --gps-pty como en el mundo simulado\n"
         "  --speed X            reproduce X veces mas rapido (de 0.1 a 100; por defecto 1)\n";
}

const char* simVersionText() {
  return "torva-sim " TORVA_VERSION "\n";
}

bool parseSimOptions(int argc, const char* const* argv, SimOptions& o, WorldOptions& w,
                     SimRequest& request, std::string& error) {
  request = SimRequest::Run;
  std::string worldOnly;  // the last option that describes the simulated world
  bool speedGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--map" || arg == "--laser-noise" || arg == "--gps-origin" || arg == "--gps-drop" ||
        arg == "--gps-corrupt" || arg.starts_with("--lms-") || arg.starts_with("--cola-")) {
      worldOnly = arg;
    }
    const bool hasValue = i + 1 < argc;
    auto value = [&]() -> const char* { return hasValue ? argv[++i] : nullptr; };
    if (arg == "-h" || arg == "--help") {
      request = SimRequest::Help;
    } else if (arg == "--version") {
      if (request != SimRequest::Help) request = SimRequest::Version;
    } else if (arg == "--pty") {
      o.pty = true;
    } else if (arg == "--no-tcp") {
      o.tcp = false;
    } else if (arg == "--gps-pty") {
      w.gpsPty = true;
    } else if (arg == "--lms-pty") {
      w.lmsPty = true;
    } else if (arg == "--lms-no-continuous") {
      w.lmsNoContinuous = true;
    } else if (arg == "--cola-no-events") {
      w.colaNoEvents = true;
    } else if (arg == "--cola-port") {
      const char* v = value();
      if (v == nullptr || !parseInt(v, 0, 65535, w.colaPort)) {
        error = "valor no valido para --cola-port";
        return false;
      }
    } else if (arg == "--map" || arg == "--laser-dir" || arg == "--replay") {
      const char* v = value();
      if (v == nullptr || *v == '\0') {
        error = "falta el valor de " + arg;
        return false;
      }
      (arg == "--map" ? w.mapPath : arg == "--laser-dir" ? w.laserDir : w.replayDir) = v;
    } else if (arg == "--speed") {
      const char* v = value();
      if (v == nullptr || !parseDouble(v, 0.1, 100, w.replaySpeed)) {
        error = "valor no valido para --speed (de 0.1 a 100)";
        return false;
      }
      speedGiven = true;
    } else if (arg == "--laser-noise") {
      const char* v = value();
      if (v == nullptr || !parseDouble(v, 0, 1000, w.laserNoiseCm)) {
        error = "valor no valido para " + arg;
        return false;
      }
    } else if (arg == "--gps-origin") {
      const char* v = value();
      if (v == nullptr || !parseOrigin(v, w.gpsOrigin)) {
        error = "valor no valido para --gps-origin (LAT,LON en grados decimales)";
        return false;
      }
    } else if (arg == "--gps-drop" || arg == "--gps-corrupt") {
      const char* v = value();
      int n = 0;
      if (v == nullptr || !parseInt(v, 1, 1000000, n)) {
        error = "valor no valido para " + arg;
        return false;
      }
      (arg == "--gps-drop" ? w.gpsDropEvery : w.gpsCorruptEvery) = n;
    } else if (arg == "--address" || arg == "--model" || arg == "--log") {
      const char* v = value();
      if (v == nullptr) {
        error = "falta el valor de " + arg;
        return false;
      }
      (arg == "--address" ? o.address : arg == "--model" ? o.model : o.logPath) = v;
    } else if (arg == "--port" || arg == "--cycle-ms" || arg == "--watchdog-ms" ||
               arg == "--step-ms") {
      const char* v = value();
      int n = 0;
      const int low = arg == "--cycle-ms" ? 1 : 0;
      const int high = arg == "--port" ? 65535 : 60000;
      if (v == nullptr || !parseInt(v, low, high, n)) {
        error = "valor no valido para " + arg;
        return false;
      }
      (arg == "--port"       ? o.port
       : arg == "--cycle-ms" ? o.cycleMs
       : arg == "--step-ms"  ? o.stepMs
                             : o.watchdogMs) = n;
    } else {
      error = "opcion desconocida: " + arg;
      return false;
    }
  }
  if (!o.tcp && !o.pty) {
    error = "sin --pty no se puede usar --no-tcp";
    return false;
  }
  if ((w.lmsNoContinuous && !w.lmsPty) || (w.colaNoEvents && w.colaPort < 0)) {
    error = w.lmsNoContinuous && !w.lmsPty ? "--lms-no-continuous solo sirve con --lms-pty"
                                           : "--cola-no-events solo sirve con --cola-port";
    return false;
  }
  if (w.replayDir.empty() && speedGiven) {
    error = "--speed solo sirve con --replay";
    return false;
  }
  if (!w.replayDir.empty() && !worldOnly.empty()) {
    error = worldOnly + " no sirve con --replay: el registro ya trae lo que vio el robot";
    return false;
  }
  return true;
}
