#pragma once
// Conversion factors by robot model (the SYNC2 subclass).
#include <string_view>

struct ArRobotParams {
  double distConvFactor = 1.0;        // mm per count
  double angleConvFactor = 0.001534;  // radians per unit
  double velConvFactor = 1.0;
  double diffConvFactor = 0.0056;
  int vel2Divisor = 20;
};

// Fills params for the model; false when the model is unknown, in which case
// params hold the "-sh" values.
bool robotParamsForModel(std::string_view model, ArRobotParams& params);
