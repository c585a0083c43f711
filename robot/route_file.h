#pragma once
// The route file: pairs of numbers in metres, any white space between them.
// The first number of a pair is column A, the second column B.

struct RobotController;

// Reads the record's route file into routeLoaded, routeLastIndex and the
// published route points (each value x 1000, in file order).
void readRouteFile(RobotController& rc);
