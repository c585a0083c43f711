#pragma once
// The laser scan file: "-1", the number of readings, then the ranges in
// centimetres, separated by any white space. Another program rewrites it about
// ten times a second.
//
// A scan is taken only whole: a file that announces N readings and holds
// fewer, or whose last reading is not followed by white space (a number cut
// short: "150" read as "1"), leaves the previous scan in place; such files are
// counted, and told on the console at most once a minute. A file that brings
// no new scan for 2 s gets the line "laser: sin barridos nuevos desde hace 2
// s", and the first new scan after it "laser: vuelven los barridos nuevos tras
// N s".
#include <atomic>
#include <chrono>
#include <optional>
#include <string_view>

#include "laser/map_grid.h"

struct RobotController;

// Most readings one scan may announce; a larger count is refused as corrupt.
inline constexpr int kMaxLaserReadings = 65536;

// Reads the scan file named by the record into its laser fields.
void readLaserScan(RobotController& rc);
// The same at a given time (the watch over new scans uses it).
void readLaserScan(RobotController& rc, std::chrono::steady_clock::time_point now);

// What takeLaserScanText made of a text.
enum class LaserTake { Taken, NoScan, Incomplete };

// The part of readLaserScan after the file is read: takes the scan in text.
// NoScan: the text holds no scan (or an impossible count) and changes
// nothing; Incomplete: fewer readings than announced, or the last one cut.
LaserTake takeLaserScanText(RobotController& rc, std::string_view text);

// One pass of the laser thread: reads the scan file and marks the record's
// scan into the map. The pose it marked from, or nothing when there was no
// valid scan to mark.
std::optional<MarkPose> laserPass(RobotController& rc);

// The laser thread's loop: a pass, sleep 100 ms, until stop (if given) is set.
void laserLoop(RobotController& rc, const std::atomic<bool>* stop);
