#include "sim/sim_options.h"

#include <charconv>
#include <cstring>

namespace {
bool parseInt(const char* text, int low, int high, int& out) {
  const char* end = text + std::strlen(text);
  int value = 0;
  auto [ptr, ec] = std::from_chars(text, end, value);
  if (ec != std::errc() || ptr != end || value < low || value > high) return false;
  out = value;
  return true;
}
}  // namespace

const char* simUsage() {
  return "uso: torva-sim [--address IP] [--port N] [--cycle-ms N] [--step-ms N] [--watchdog-ms N]\n"
         "               [--model NOMBRE] [--pty] [--no-tcp] [--log FICHERO]\n"
         "  --port 0 elige un puerto libre y lo imprime; --pty crea una linea serie\n"
         "  (pseudoterminal) e imprime su ruta; --log guarda las ordenes recibidas;\n"
         "  --step-ms fija el tiempo simulado de cada ciclo (por defecto, el del ciclo).\n";
}

bool parseSimOptions(int argc, const char* const* argv, SimOptions& o, bool& help,
                     std::string& error) {
  help = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    auto value = [&]() -> const char* { return hasValue ? argv[++i] : nullptr; };
    if (arg == "-h" || arg == "--help") {
      help = true;
    } else if (arg == "--pty") {
      o.pty = true;
    } else if (arg == "--no-tcp") {
      o.tcp = false;
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
  return true;
}
