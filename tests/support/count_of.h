#pragma once
// How many times a text holds another (overlapping ones counted too).
#include <string_view>

inline int countOf(std::string_view text, std::string_view what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) ++n;
  return n;
}
