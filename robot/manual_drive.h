#pragma once
// The manual drive loop: sends the operator's wheel speeds to the robot for as
// long as the run flag is set, and refreshes the station record on every
// eleventh pass.
#include "aria/ar_pose.h"
#include "core/shared_value.h"
#include "robot/motion_port.h"

struct RobotController;

void manualDriveLoop(MotionPort& robot, ArPose& currentPose, const Relaxed<float>* leftSpeed,
                     const Relaxed<float>* rightSpeed, const Relaxed<int>* runFlag,
                     RobotController& station);
