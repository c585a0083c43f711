#pragma once
// What the route follower and the manual drive loop need of a connected robot.
// The robot workers give them the real robot; tests give them a scripted one.
#include <cstdint>

#include "aria/ar_pose.h"

struct RobotController;

// A pose as the robot gave it, and the sequence number of the status packet
// it came from (0: none, or a robot that does not number them).
struct PoseReading {
  ArPose pose;
  std::uint64_t packet = 0;
};

class MotionPort {
 public:
  virtual ~MotionPort() = default;
  // The robot's pose from the configured source (raw encoder pose in
  // simulator mode, else the pose the robot library keeps), with its packet.
  virtual PoseReading readPose() = 0;
  // The robot's translational velocity, mm/s.
  virtual double velocity() = 0;
  // Wheel speeds in mm/s, left first.
  virtual void setVel2(double left, double right) = 0;
  virtual void sleepMs(int ms) = 0;
  // Seconds on a clock that only goes forward.
  virtual double seconds() = 0;
  // Either wheel reported stalled in the last status.
  virtual bool wheelStalled() = 0;
  // Waits until a new pose may be there: about a millisecond, or the next
  // robot cycle. Loops call it once per pass so that none of them spins.
  virtual void waitPass() = 0;
};

// Reads the pose into currentPose (no station update); the number of the
// status packet it came from.
std::uint64_t refreshPose(MotionPort& robot, ArPose& currentPose);

// Reads the pose, hands it to the station record, and re-bases currentPose on
// the route origin (x, y = the station's displacement in mm; heading kept).
void refreshPoseRebased(MotionPort& robot, ArPose& currentPose, RobotController& station);
