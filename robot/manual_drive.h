#pragma once
// The manual drive loop: sends the operator's wheel speeds to the robot for as
// long as the run flag is set, and refreshes the station record on every
// eleventh pass. With a heartbeat, a main thread that falls silent (it sets the
// speeds) stops the robot until it is back and has set the speed to zero.
#include "aria/ar_pose.h"
#include "robot/motion_port.h"
#include "state/main_thread_heartbeat.h"
#include "state/shared_value.h"
#include "state/wheel_speeds.h"

struct RobotController;

void manualDriveLoop(MotionPort& robot, ArPose& currentPose, const SharedWheelSpeeds* wheels,
                     const Relaxed<int>* runFlag, RobotController& station,
                     MainThreadHeartbeat* heartbeat = nullptr);
