// torva-export: a recording of the station as one MCAP file, for the viewers
// that play a run's scans, poses, GPS and plots on one time line.
#include <cstdio>
#include <string>

#include "exporter/export_options.h"
#include "exporter/run_export.h"
#include "exporter/run_recording.h"

namespace {
void say(const std::string& line) {
  std::fprintf(stderr, "torva-export: %s\n", line.c_str());
}
}  // namespace

int main(int argc, char** argv) {
  ExportOptions options;
  std::string error;
  switch (parseExportOptions(argc, argv, options, error)) {
    case ExportCommand::Help:
      std::fputs(exportUsage(), stdout);
      return 0;
    case ExportCommand::Version:
      std::fputs(exportVersionText(), stdout);
      return 0;
    case ExportCommand::Bad:
      std::fprintf(stderr, "torva-export: %s\n%s", error.c_str(), exportUsage());
      return 2;
    case ExportCommand::Run:
      break;
  }
  if (isRecordingFile(options.recording, options.output)) {
    say(options.output + " es un fichero del registro; elija otro con -o");
    return 1;
  }
  RunRecording run;
  if (!loadRunRecording(options.recording, run, error)) {
    say(error);
    return 1;
  }
  for (const std::string& note : run.notes) say(note);
  ExportSummary summary;
  if (!exportRun(run, options.output, summary, error)) {
    say(error);
    return 1;
  }
  for (const std::string& note : summary.notes) say(note);
  const auto count = [&](ExportChannel c) { return summary.messages[static_cast<std::size_t>(c)]; };
  std::printf(
      "torva-export: %zu barridos, %zu paquetes de estado, %zu posiciones GPS, %zu ordenes en "
      "%s\n",
      count(ExportChannel::Laser), count(ExportChannel::Robot), count(ExportChannel::Gps),
      count(ExportChannel::Commands), options.output.c_str());
  return 0;
}
