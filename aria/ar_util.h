#pragma once
// Small helpers of the robot library.
#include <cstdint>

namespace ArUtil {
// Blocks the calling thread for ms milliseconds (nothing for ms <= 0).
void sleep(int ms);
// Milliseconds of a steady clock; only differences mean anything.
int64_t getTimeMs();
}  // namespace ArUtil
