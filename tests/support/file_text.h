#pragma once
// A whole file's bytes as text; empty when it cannot be read.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

inline std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}
