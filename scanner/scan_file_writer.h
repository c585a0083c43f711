#pragma once
// Writes each scan to the station's file by replacing it whole, so the
// station reads the old scan or the new one, never half of either.
#include <string>

#include "scanner/station_scan.h"

class ScanFileWriter {
 public:
  explicit ScanFileWriter(std::string path);

  // False with why set (the system's text) when the file cannot be replaced.
  bool write(const StationScan& scan, std::string& why);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string text_;  // reused from scan to scan
};
