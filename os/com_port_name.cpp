#include "os/com_port_name.h"

#include <cstdlib>
#include <cstring>

std::optional<std::string> comPortPath(const char* name) {
  if (name == nullptr || std::strncmp(name, "COM", 3) != 0) return std::nullopt;
  const char* digits = name + 3;
  const std::size_t length = std::strlen(digits);
  if (length == 0 || length > 2) return std::nullopt;
  int number = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (digits[i] < '0' || digits[i] > '9') return std::nullopt;
    number = number * 10 + (digits[i] - '0');
  }
  if (number < 1 || number > 12 || digits[0] == '0') return std::nullopt;
  const std::string variable = "TORVA_COM" + std::to_string(number);
  if (const char* value = std::getenv(variable.c_str()); value != nullptr && *value != '\0') {
    return std::string(value);
  }
  return "/dev/ttyS" + std::to_string(number - 1);
}
