#pragma once
// A fuzz input that stands for two files: cut at its first NUL byte, the
// text before it and the text after it (empty when it holds no NUL).
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

inline std::pair<std::string_view, std::string_view> twoFiles(const std::uint8_t* data,
                                                              std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\0');
  if (cut == std::string_view::npos) return {input, {}};
  return {input.substr(0, cut), input.substr(cut + 1)};
}
