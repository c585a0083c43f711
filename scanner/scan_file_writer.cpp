#include "scanner/scan_file_writer.h"

#include "os/file_replace.h"

ScanFileWriter::ScanFileWriter(std::string path) : path_(std::move(path)) {}

bool ScanFileWriter::write(const StationScan& scan, std::string& why) {
  formatScanText(scan, text_);
  return replaceFile(path_, text_, why);
}
