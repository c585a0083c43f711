#pragma once
// The station record (header only, so that every folder can use it): the one place where every
// thread of the station meets. Each field has one writing thread; readers elsewhere take what they
// find.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "state/published_record.h"
#include "state/shared_value.h"

inline constexpr int kGridSize = 500;
inline constexpr int kGridCells = kGridSize * kGridSize;
inline constexpr int kStartCell = 250;

using MapGrid = std::array<Relaxed<std::uint8_t>, kGridCells>;

// The robot's cell and heading as one value: what a scan is marked from, and
// the sequence number of the robot's status packet that gave it (0: none).
struct MapPose {
  int mapRow = kStartCell;
  int mapCol = kStartCell;
  float headingRad = 0;
  std::uint64_t packet = 0;
};

// A number of its own for every station record made in the process.
inline std::uint64_t nextRecordSerial() {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

// One laser scan buffer. A buffer that the radar may be reading is never freed
// while the record lives: a larger scan publishes a new buffer and retires the
// old one (see RobotController::newLaserBuffer).
struct LaserBuffer {
  explicit LaserBuffer(int capacity)
      : values(std::make_unique<Relaxed<float>[]>(static_cast<std::size_t>(capacity))),
        capacity(capacity) {}
  std::unique_ptr<Relaxed<float>[]> values;
  int capacity;
};

// The route read from the route file, replaced whole by a later read.
struct RoutePoints {
  std::vector<float> routeColumnA;  // first number of each point x 1000 (mm)
  std::vector<float> routeColumnB;  // second number of each point x 1000 (mm)
};

struct RobotController {
  RobotController();
  RobotController(const RobotController&) = delete;
  RobotController& operator=(const RobotController&) = delete;

  Relaxed<float> odoOriginX;
  Relaxed<float> odoOriginY;
  Relaxed<float> odoDisplacementX;
  Relaxed<float> odoDisplacementY;
  Relaxed<float> headingRad;
  Relaxed<float> robotSpeed;
  Relaxed<bool> firstPose;
  Relaxed<const char*> serialPortName;
  const char* routeFileName;
  Relaxed<int> routeLastIndex{-1};
  // The route's points themselves: route(), below.
  Relaxed<bool> routeLoaded{false};
  Relaxed<char> gpsLatHemisphere;
  Relaxed<int> gpsLatDegrees;
  Relaxed<float> gpsLatMinutes;
  Relaxed<char> gpsLonHemisphere;
  Relaxed<int> gpsLonDegrees;
  Relaxed<float> gpsLonMinutes;
  Relaxed<int> mapRow;
  Relaxed<int> mapCol;
  Relaxed<float> gpsDisplacementX;
  Relaxed<float> gpsDisplacementY;
  const char* laserFileName;
  Relaxed<bool> laserValid;
  // laserRanges: the published buffer (metres, reading 0 first).
  std::atomic<LaserBuffer*> laserRanges{nullptr};
  Relaxed<float> laserDisplayRange;
  Relaxed<int> laserLastIndex;
  MapGrid trackGrid;
  MapGrid obstacleGrid;
  Relaxed<int> simulatorMode;
  // mapRow, mapCol and headingRad again, stored together by the pose update:
  // the laser thread marks a whole scan from one pose, never from a row of
  // one update and a heading of the next.
  PublishedRecord<MapPose> mapPose;

  // What lets the map's readers skip work when nothing changed (the fields
  // above are the station's own). obstacleMarks counts the obstacle cells set so
  // far; it is raised (release) after the cell, so a reader that sees a new
  // count (acquire) sees the cell too. serial tells records apart.
  std::atomic<std::uint32_t> obstacleMarks{0};
  const std::uint64_t serial = nextRecordSerial();

  // The current route (null before the first read). Safe from any thread.
  std::shared_ptr<const RoutePoints> route() const;
  void setRoute(std::shared_ptr<const RoutePoints> points);

  // Laser buffers, owned here so that none is freed while a reader may hold it.
  // Only the laser thread calls these.
  LaserBuffer* newLaserBuffer(int capacity);

 private:
  mutable std::mutex routeMutex_;
  std::shared_ptr<const RoutePoints> route_;
  std::vector<std::unique_ptr<LaserBuffer>> laserBuffers_;
};

// Readings of the last scan as a reader on any thread may take them: the
// buffer and a count that never runs past it.
struct LaserScanView {
  const LaserBuffer* buffer = nullptr;
  int count = 0;
  float operator[](int i) const { return buffer->values[static_cast<std::size_t>(i)].load(); }
};

inline int gridIndex(int row, int col) {
  return row * kGridSize + col;
}
inline bool insideGrid(int row, int col) {
  return row >= 0 && row < kGridSize && col >= 0 && col < kGridSize;
}

// Marks an obstacle cell (row * 500 + column) and counts it when it is new.
// The laser thread is the only writer of the obstacle grid.
inline void markObstacleCell(RobotController& rc, int cell) {
  auto& value = rc.obstacleGrid[static_cast<std::size_t>(cell)];
  if (value != 0) return;
  value = 1;
  rc.obstacleMarks.fetch_add(1, std::memory_order_release);
}

// ---- definitions ----

inline RobotController::RobotController() {
  firstPose = true;
  laserValid = false;
  routeFileName = "data_ruta.dat";
  laserFileName = "data_sick.dat";
  serialPortName = "COM1";
  laserDisplayRange = 5.0f;
  simulatorMode = 0;
  mapRow = kStartCell;
  mapCol = kStartCell;
  odoDisplacementX = 0;
  odoDisplacementY = 0;
  headingRad = 0;
  robotSpeed = 0;
  gpsLatHemisphere = 'S';
  gpsLatDegrees = 0;
  gpsLatMinutes = 0;
  gpsLonHemisphere = 'W';
  gpsLonDegrees = 0;
  gpsLonMinutes = 0;
  gpsDisplacementX = 0;
  gpsDisplacementY = 0;
  for (int i = 0; i < kGridCells; ++i) {
    trackGrid[i] = 0;
    obstacleGrid[i] = 0;
  }
  trackGrid[gridIndex(mapRow, mapCol)] = 1;
  laserLastIndex = -1;
}

inline std::shared_ptr<const RoutePoints> RobotController::route() const {
  std::lock_guard lock(routeMutex_);
  return route_;
}

inline void RobotController::setRoute(std::shared_ptr<const RoutePoints> points) {
  std::lock_guard lock(routeMutex_);
  route_ = std::move(points);
}

inline LaserBuffer* RobotController::newLaserBuffer(int capacity) {
  laserBuffers_.push_back(std::make_unique<LaserBuffer>(std::max(capacity, 1)));
  return laserBuffers_.back().get();
}

inline LaserScanView laserScan(const RobotController& rc) {
  LaserScanView view;
  view.buffer = rc.laserRanges.load(std::memory_order_acquire);
  if (view.buffer == nullptr) return view;
  view.count = std::clamp(rc.laserLastIndex.load() + 1, 0, view.buffer->capacity);
  return view;
}
