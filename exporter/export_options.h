#pragma once
// Command line of torva-export.
#include <string>

struct ExportOptions {
  std::string recording;  // the recording's folder
  std::string output;     // the MCAP file; empty: registro.mcap in the recording's folder
};

enum class ExportCommand { Run, Help, Version, Bad };

// Fills options from argv; Bad with error set for a bad command line.
ExportCommand parseExportOptions(int argc, const char* const* argv, ExportOptions& options,
                                 std::string& error);
const char* exportUsage();
const char* exportVersionText();
