#pragma once
// The four robot workers: a link (TCP or serial) in a mode (route or manual).
// Each prints "1c", builds its link, prints "2c", connects and runs, prints
// "3c" and returns 0 whatever happened. The manual workers, given the main
// thread's heartbeat, stop the robot while the main thread is silent.
#include "state/main_thread_heartbeat.h"
#include "state/shared_value.h"
#include "state/wheel_speeds.h"

struct RobotController;

int ipAutoWorker(const char* address, int port, RobotController& station);
int serialAutoWorker(const char* portName, RobotController& station);
int ipManualWorker(const char* address, int port, const SharedWheelSpeeds* wheels,
                   const Relaxed<int>* runFlag, RobotController& station,
                   MainThreadHeartbeat* heartbeat = nullptr);
int serialManualWorker(const char* portName, const SharedWheelSpeeds* wheels,
                       const Relaxed<int>* runFlag, RobotController& station,
                       MainThreadHeartbeat* heartbeat = nullptr);
