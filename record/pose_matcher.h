#pragma once
// Which status packet a scan was marked from. The laser thread marks each scan
// from the robot's cell and heading as the robot worker last set them; the
// worker sets them from the latest status packet when it gets round to it
// (every pass, every eleventh pass, or after a pause). A replay that must put
// the same pose under each scan needs to know which packet that was: each
// packet's arrival is noted with the cell and heading it gives, and each scan
// takes the latest packet, since the one matched before, that gives its pose.
#include <utility>
#include <vector>

struct PoseKey {
  int mapRow = 0;
  int mapCol = 0;
  float headingRad = 0;
  bool operator==(const PoseKey&) const = default;
};

class PoseMatcher {
 public:
  void addPacket(long index, const PoseKey& key);
  // The packet index for a scan marked from `marked`: the latest packet since
  // the previous match whose pose gives it; the previous match when none
  // does (-1 before the first).
  long matchScan(const PoseKey& marked);

 private:
  static constexpr std::size_t kMaxPending = 100000;
  std::vector<std::pair<long, PoseKey>> pending_;
  long last_ = -1;
};
