#pragma once
// A network address as settings and command lines give it: "HOST",
// "HOST:PORT", "[IPv6]" or "[IPv6]:PORT".
#include <optional>
#include <string_view>

struct HostPort {
  std::string_view host;  // empty when none was given
  int port = 0;           // 0 when none was given
};

// Empty for a bracket left open, anything after "]" other than ":PORT", a
// second ':' outside brackets, or a port that is not a number in 1..65535.
std::optional<HostPort> splitHostPort(std::string_view text);
