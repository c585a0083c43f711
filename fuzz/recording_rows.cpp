// Seeds: a few rows of each file in the recorder's formats (fuzz/corpus/recording_rows).
// The readers of a recording's files on arbitrary contents: the input is cut
// at its first NUL byte into two files (laser.tsv and laser_pose.csv; then the
// robot rows, the GPS read times and the connections take the first part, the
// status packets the whole input). What the laser reader accepts, written again
// by the recorder's own row writers, reads back the same.
#include "record/recording_rows.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/two_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto [first, second] = twoFiles(data, size);
  std::string error;

  std::vector<LaserRecord> scans;
  if (parseLaserRecords(first, second, scans, error)) {
    std::string laser = "tiempo_s\tlecturas\tdistancias_m\n";
    std::string poses = "tiempo_s,fila,columna,rumbo_rad,paquete\n";
    for (const LaserRecord& r : scans) {
      appendLaserRow(laser, r.seconds, r.ranges.data(), static_cast<int>(r.ranges.size()));
      appendLaserPoseRow(poses, r.seconds, r.mapRow, r.mapCol, r.headingRad, r.packet);
    }
    std::vector<LaserRecord> again;
    if (!parseLaserRecords(laser, poses, again, error) || again.size() != scans.size())
      std::abort();
    for (std::size_t i = 0; i < scans.size(); ++i) {
      if (again[i].ranges != scans[i].ranges || again[i].mapRow != scans[i].mapRow ||
          again[i].headingRad != scans[i].headingRad || again[i].packet != scans[i].packet) {
        std::abort();
      }
    }
  }
  std::vector<RobotRecord> robot;
  parseRobotRecords(first, robot, error);
  std::vector<std::vector<std::uint8_t>> packets;
  parseStatusPackets(input, packets, error);
  std::vector<GpsChunk> chunks;
  if (parseGpsChunks(first, second.size(), chunks, error)) {
    for (const GpsChunk& c : chunks) {
      if (c.offset + c.count > second.size()) std::abort();
    }
  }
  std::vector<ConnectionRecord> connections;
  parseConnections(first, connections, error);
  return 0;
}
