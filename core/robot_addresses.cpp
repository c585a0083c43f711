#include "core/robot_addresses.h"

#include <cstdlib>

namespace {
const char* fromEnvironment(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0' ? value : fallback;
}
}  // namespace

const char* robotOneAddress() {
  return fromEnvironment("TORVA_ROBOT1", "192.168.0.101");
}
const char* robotTwoAddress() {
  return fromEnvironment("TORVA_ROBOT2", "192.168.0.102");
}
