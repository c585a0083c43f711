#include "os/host_port.h"

#include <charconv>

namespace {
bool parsePort(std::string_view text, int& port) {
  const char* end = text.data() + text.size();
  int value = 0;
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || at != end || value < 1 || value > 65535) {
    return false;
  }
  port = value;
  return true;
}
}  // namespace

std::optional<HostPort> splitHostPort(std::string_view text) {
  HostPort address;
  std::string_view rest;
  if (text.starts_with('[')) {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    address.host = text.substr(1, close - 1);
    rest = text.substr(close + 1);
    if (!rest.empty() && !rest.starts_with(':')) return std::nullopt;
  } else {
    const std::size_t colon = text.find(':');
    address.host = text.substr(0, colon);
    if (colon != std::string_view::npos) rest = text.substr(colon);
    if (rest.find(':', 1) != std::string_view::npos) return std::nullopt;
  }
  if (!rest.empty() && !parsePort(rest.substr(1), address.port)) return std::nullopt;
  return address;
}
