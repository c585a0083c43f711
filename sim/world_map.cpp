#include "sim/world_map.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace {
std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Reads exactly `count` numbers from text (white space between them), with
// nothing else after them unless `trailingAllowed`.
bool readNumbers(std::string_view text, double* out, int count, bool trailingAllowed) {
  for (int i = 0; i < count; ++i) {
    text = trim(text);
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, ec] = std::from_chars(first, last, out[i]);
    if (ec != std::errc{} || !std::isfinite(out[i])) return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    if (!text.empty() && text.front() != ' ' && text.front() != '\t') return false;
  }
  return trailingAllowed || trim(text).empty();
}

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

MapParseResult fail(int line, const std::string& what) {
  return {std::nullopt, "linea " + std::to_string(line) + ": " + what};
}
}  // namespace

MapParseResult parseWorldMap(std::string_view text) {
  WorldMap map;
  long announced = -1;
  enum class Section { Header, Lines, Data } section = Section::Header;
  int lineNo = 0;
  bool sawMagic = false;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = trim(text.substr(0, nl));
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    ++lineNo;
    if (!sawMagic) {
      if (line != "2D-Map") return fail(lineNo, "se esperaba \"2D-Map\"");
      sawMagic = true;
      continue;
    }
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    // Writers put LINES before DATA, but a LINES section after the points is
    // still the walls.
    if (section == Section::Data && line != "LINES") continue;
    if (line == "DATA") {
      if (section == Section::Lines && announced >= 0 &&
          static_cast<long>(map.walls.size()) != announced) {
        return fail(lineNo, "NumLines anuncia " + std::to_string(announced) + " paredes y hay " +
                                std::to_string(map.walls.size()));
      }
      section = Section::Data;
      continue;
    }
    if (section == Section::Lines) {
      double v[4];
      if (!readNumbers(line, v, 4, false)) return fail(lineNo, "pared mal formada");
      map.walls.push_back({v[0], v[1], v[2], v[3]});
      continue;
    }
    if (line == "LINES") {
      section = Section::Lines;
      continue;
    }
    if (startsWith(line, "NumLines:")) {
      double n = 0;
      if (!readNumbers(line.substr(9), &n, 1, false) || n < 0 || n != std::floor(n) || n > 1e6) {
        return fail(lineNo, "NumLines mal formado");
      }
      announced = static_cast<long>(n);
      continue;
    }
    if (startsWith(line, "LineMinPos:") || startsWith(line, "LineMaxPos:") ||
        startsWith(line, "MinPos:") || startsWith(line, "MaxPos:")) {
      double v[2];
      if (!readNumbers(line.substr(line.find(':') + 1), v, 2, false)) {
        return fail(lineNo, "posicion mal formada");
      }
      continue;
    }
    if (startsWith(line, "Cairn:")) {
      std::string_view rest = trim(line.substr(6));
      if (startsWith(rest, "RobotHome")) {
        double v[3];
        if (!readNumbers(rest.substr(9), v, 3, true)) return fail(lineNo, "RobotHome mal formado");
        map.hasHome = true;
        map.homeX = v[0];
        map.homeY = v[1];
        map.homeTh = v[2];
      }
      continue;
    }
    // Other header keys ("NumPoints:", "Resolution:", ...) carry nothing we use.
    if (line.find(':') != std::string_view::npos) continue;
    return fail(lineNo, "linea no reconocida");
  }
  if (!sawMagic) return fail(1, "archivo vacio");
  if (announced >= 0 && static_cast<long>(map.walls.size()) != announced) {
    return fail(lineNo, "NumLines anuncia " + std::to_string(announced) + " paredes y hay " +
                            std::to_string(map.walls.size()));
  }
  return {std::move(map), {}};
}

MapParseResult loadWorldMap(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {std::nullopt, "no se puede abrir " + path};
  std::ostringstream text;
  text << in.rdbuf();
  return parseWorldMap(text.str());
}
