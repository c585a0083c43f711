// torva-map: the map of a recording of the station, rebuilt from its laser
// scans and the poses they were marked from, as a PNG picture like the
// mapa.png the station writes when it ends.
#include <cstdio>
#include <string>

#include "mapper/map_builder.h"
#include "mapper/map_options.h"
#include "record/map_picture.h"
#include "record/recording_files.h"
#include "record/recording_rows.h"

namespace {
int fail(const std::string& why) {
  std::fprintf(stderr, "torva-map: %s\n", why.c_str());
  return 1;
}
}  // namespace

int main(int argc, char** argv) {
  MapOptions options;
  std::string error;
  switch (parseMapOptions(argc, argv, options, error)) {
    case MapCommand::Help:
      std::fputs(mapUsage(), stdout);
      return 0;
    case MapCommand::Version:
      std::fputs(mapVersionText(), stdout);
      return 0;
    case MapCommand::Bad:
      std::fprintf(stderr, "torva-map: %s\n%s", error.c_str(), mapUsage());
      return 2;
    case MapCommand::Run:
      break;
  }
  std::string laserText, poseText;
  if (!readRecordingFile(options.recording, recording::kLaser, laserText, error) ||
      !readRecordingFile(options.recording, recording::kLaserPose, poseText, error)) {
    return fail(error);
  }
  std::vector<LaserRecord> scans;
  if (!parseLaserRecords(laserText, poseText, scans, error)) return fail(error);
  const MapGrids grids = buildMapGrids(scans, options.size);
  if (!writePng(options.output, mapPicture(grids.size, grids.obstacles, grids.track), error)) {
    return fail(error);
  }
  std::printf("torva-map: %zu barridos, %d x %d celdas en %s\n", scans.size(), grids.size,
              grids.size, options.output.c_str());
  return 0;
}
