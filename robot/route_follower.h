#pragma once
// Following the stored route: each segment is a turn on the spot toward its end
// point, then a straight run of the segment's planned length measured by
// odometry.
#include "aria/ar_pose.h"
#include "robot/motion_port.h"

struct RobotController;

// Point i of the route: x = routeColumnB[i], y = -routeColumnA[i] (mm).
ArPose routePoint(const RobotController& station, int i);

// Drives one segment; returns true once the robot covered the segment's
// length and stood still for 1000 ms. A robot that cannot make progress (see
// ProgressWatch) is told to stop at once, and the result is false.
bool followSegment(MotionPort& robot, ArPose& currentPose, const ArPose& segmentStart,
                   const ArPose& segmentEnd, RobotController& station);

// Drives every segment of the loaded route in order (nothing when none is
// loaded); a segment the robot cannot finish ends the route there, with a line.
void followRoute(MotionPort& robot, ArPose& currentPose, ArPose& segmentStart, ArPose& segmentEnd,
                 RobotController& station);
