#pragma once
// A loaded recording written as one MCAP file: every scan, status packet, GPS
// fix and command as a message at the run's start plus its recorded time,
// and the run's final map, the messages in time order.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "exporter/export_channels.h"
#include "exporter/run_recording.h"

struct ExportSummary {
  std::array<std::size_t, static_cast<std::size_t>(ExportChannel::Count)> messages{};
  std::vector<std::string> notes;  // one line each: what the export left out
};

// Writes path (through a temporary file beside it, renamed into place when
// whole); false with a one-line reason, and no file, when it cannot.
bool exportRun(const RunRecording& run, const std::string& path, ExportSummary& summary,
               std::string& error);
