#pragma once
// The GPS status blocks the process shows while a ShownGpsBlocks lives, as the
// records the GPS code printed, in order. One at a time.
#include <cstddef>
#include <mutex>
#include <vector>

#include "gps/gps_status_block.h"

class ShownGpsBlocks {
 public:
  ShownGpsBlocks() {
    std::lock_guard lock(mutex());
    shown().clear();
    setGpsBlockWatcher(&note);
  }
  ~ShownGpsBlocks() { setGpsBlockWatcher(nullptr); }
  ShownGpsBlocks(const ShownGpsBlocks&) = delete;
  ShownGpsBlocks& operator=(const ShownGpsBlocks&) = delete;

  std::vector<GpsStatusBlock> blocks() const {
    std::lock_guard lock(mutex());
    return shown();
  }
  std::size_t count() const {
    std::lock_guard lock(mutex());
    return shown().size();
  }

 private:
  static void note(const GpsStatusBlock& block) {
    std::lock_guard lock(mutex());
    shown().push_back(block);
  }
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
  static std::vector<GpsStatusBlock>& shown() {
    static std::vector<GpsStatusBlock> v;
    return v;
  }
};
