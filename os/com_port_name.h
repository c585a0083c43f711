#pragma once
// Serial port names "COM1" to "COM12" as operators know them, resolved to a
// device path: $TORVA_COMn when set (for example TORVA_COM2=/dev/ttyUSB0),
// else /dev/ttyS(n-1).
#include <optional>
#include <string>

// Empty optional: the name is not "COM1" to "COM12".
std::optional<std::string> comPortPath(const char* name);
