#pragma once
// The route file: pairs of numbers in metres, any white space between them.
// The first number of a pair is column A, the second column B.

#include <string_view>

struct RobotController;

// Reads the record's route file into routeLoaded, routeLastIndex and the
// published route points (each value x 1000, in file order).
void readRouteFile(RobotController& rc);

// The part of readRouteFile after the file is read: the route in text.
void takeRouteText(RobotController& rc, std::string_view text);
