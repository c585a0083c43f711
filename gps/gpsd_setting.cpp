#include "gps/gpsd_setting.h"

#include <charconv>

namespace {

constexpr std::string_view kPrefix = "gpsd";

bool parsePort(std::string_view text, int& port) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, port);
  return error == std::errc() && at == end && port >= 1 && port <= 65535;
}

}  // namespace

bool namesGpsd(std::string_view setting) {
  return setting.substr(0, kPrefix.size()) == kPrefix &&
         (setting.size() == kPrefix.size() || setting[kPrefix.size()] == ':');
}

std::optional<GpsdAddress> parseGpsdSetting(std::string_view setting) {
  if (!namesGpsd(setting)) return std::nullopt;
  GpsdAddress address;
  if (setting.size() == kPrefix.size()) return address;
  std::string_view rest = setting.substr(kPrefix.size() + 1);
  std::string_view host;
  std::string_view port;
  bool hasPort = false;
  if (!rest.empty() && rest.front() == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = rest.substr(1, close - 1);
    rest.remove_prefix(close + 1);
    if (!rest.empty() && rest.front() != ':') return std::nullopt;
    hasPort = !rest.empty();
    if (hasPort) port = rest.substr(1);
  } else {
    const std::size_t colon = rest.find(':');
    host = rest.substr(0, colon);
    hasPort = colon != std::string_view::npos;
    if (hasPort) port = rest.substr(colon + 1);
    if (port.find(':') != std::string_view::npos) return std::nullopt;
  }
  if (!host.empty()) address.host = std::string(host);
  if (hasPort && !parsePort(port, address.port)) return std::nullopt;
  return address;
}
