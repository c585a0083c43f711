#pragma once
// The GPS port's setting may name gpsd instead of a device
// (TORVA_COM2=gpsd or gpsd:HOST:PORT): the receiver is then read through
// gpsd, which shares it with other programs, instead of being opened here.
#include <optional>
#include <string>
#include <string_view>

inline constexpr int kGpsdDefaultPort = 2947;

struct GpsdAddress {
  std::string host = "localhost";
  int port = kGpsdDefaultPort;
};

// "gpsd" alone or followed by ':'.
bool namesGpsd(std::string_view setting);

// "gpsd", "gpsd:HOST" or "gpsd:HOST:PORT" (an IPv6 host in brackets, an empty
// HOST meaning localhost). Empty for anything else, or a port outside 1..65535.
std::optional<GpsdAddress> parseGpsdSetting(std::string_view setting);
