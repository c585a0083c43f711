#include "record/pose_matcher.h"

void PoseMatcher::addPacket(long index, const PoseKey& key) {
  // Without scans (no laser file) nothing is ever matched: keep the newest.
  if (pending_.size() >= kMaxPending) {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(kMaxPending / 2));
  }
  pending_.emplace_back(index, key);
}

long PoseMatcher::matchScan(const PoseKey& marked) {
  for (std::size_t i = pending_.size(); i-- > 0;) {
    if (pending_[i].second == marked) {
      last_ = pending_[i].first;
      // The matched packet stays: the next scans may be marked from it too.
      pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(i));
      return last_;
    }
  }
  return last_;
}
