#pragma once
#include <cstdio>
#include <string>

// Appends the "*hh" checksum (XOR of the characters after "$") to a sentence.
inline std::string withChecksum(const std::string& sentence) {
  unsigned char sum = 0;
  for (std::size_t i = 1; i < sentence.size(); ++i) sum ^= static_cast<unsigned char>(sentence[i]);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X", sum);
  return sentence + tail;
}
