#include "gps/gpsd_setting.h"

#include "os/host_port.h"

namespace {
constexpr std::string_view kPrefix = "gpsd";
}  // namespace

bool namesGpsd(std::string_view setting) {
  return setting.substr(0, kPrefix.size()) == kPrefix &&
         (setting.size() == kPrefix.size() || setting[kPrefix.size()] == ':');
}

std::optional<GpsdAddress> parseGpsdSetting(std::string_view setting) {
  if (!namesGpsd(setting)) return std::nullopt;
  GpsdAddress address;
  if (setting.size() == kPrefix.size()) return address;
  const std::optional<HostPort> given = splitHostPort(setting.substr(kPrefix.size() + 1));
  if (!given) return std::nullopt;
  if (!given->host.empty()) address.host = std::string(given->host);
  if (given->port != 0) address.port = given->port;
  return address;
}
