#pragma once
// Inside the robot layer: which worker owns which robot, and the list of live
// robots that Aria::shutdown and the exit stop walk.
#include <cstdint>

class ArRobot;

namespace ArRobotRegistry {
// The calling thread's worker token; a layer thread carries its robot's.
uint64_t currentWorker();
void adoptWorker(uint64_t token);
// The robot whose layer thread this is, or null.
const ArRobot* currentLayerRobot();
void setCurrentLayerRobot(const ArRobot* robot);

// The next status packet's sequence number: 1, 2, 3... over every robot and
// link of the process, so that a number names one packet for good.
uint64_t nextStatusSequence();

void add(ArRobot* robot);
void remove(ArRobot* robot);
}  // namespace ArRobotRegistry
