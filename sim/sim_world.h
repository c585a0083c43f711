#pragma once
// The world torva-sim runs: its walls (the compiled-in room or a map file) and
// the robot's body placed in it at the map's home.
#include <string>

#include "sim/sim_robot.h"
#include "sim/world_map.h"

// Reads the map file at path, or the default room when path is empty. False
// with error naming the file and the line at fault.
bool loadSimWorld(const std::string& path, WorldMap& map, std::string& error);

// Puts the robot at the map's home (the origin when the map has none; its
// odometry stays at 0 there) and makes the walls stop a disc of radiusMm.
// False when the home is closer than the radius to a wall: the robot can then
// only move away from it.
bool placeRobotInWorld(SimRobot& robot, const WorldMap& map, double radiusMm);
