// The route file reader on arbitrary file contents: whatever it loads must be
// whole pairs, with the last index matching the published points.
#include "robot/route_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "state/robot_controller.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // One console line per point would drown the fuzzer's own output.
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) ::dup2(null, STDOUT_FILENO);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static auto rc = std::make_unique<RobotController>();
  takeRouteText(*rc, std::string_view(reinterpret_cast<const char*>(data), size));
  const auto route = rc->route();
  if (!rc->routeLoaded || route == nullptr) std::abort();
  const std::size_t n = route->routeColumnA.size();
  if (route->routeColumnB.size() != n || rc->routeLastIndex != static_cast<int>(n) - 1)
    std::abort();
  return 0;
}
