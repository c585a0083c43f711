#include "os/installed_files.h"

#include <filesystem>
#include <system_error>

namespace {

bool isFile(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::is_regular_file(path, ignored);
}

}  // namespace

std::string installedShareFolder(const std::string& programPath) {
  const std::filesystem::path bin = std::filesystem::path(programPath).parent_path();
  return (bin.parent_path() / "share" / "torva").string();
}

std::string stationDataFile(const std::string& name, const std::string& programPath) {
  if (isFile(name) || programPath.empty()) return name;
  const std::string installed = installedShareFolder(programPath) + "/" + name;
  return isFile(installed) ? installed : name;
}

std::string stationDataFile(const std::string& name) {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return stationDataFile(name, error ? std::string() : program.string());
}
