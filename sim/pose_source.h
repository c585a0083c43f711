#pragma once
// Where the world's sensors take the robot's true pose from: the running
// server in torva-sim, a scripted body in tests.
#include <functional>

#include "sim/sim_robot.h"

using PoseSource = std::function<SimPose()>;
