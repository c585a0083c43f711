#pragma once
// A scratch folder for one test, removed with everything in it at the end.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "torva-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

  // Writes text to name (replacing it) and returns the full path.
  std::string write(const std::string& name, const std::string& text) const {
    const std::string full = file(name);
    std::ofstream(full, std::ios::binary | std::ios::trunc) << text;
    return full;
  }

 private:
  std::filesystem::path path_;
};
