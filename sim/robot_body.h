#pragma once
// The simulated robot's footprint: a disc of the model's radius.
#include <string>

// Radius in mm for a model name as the robot reports it ("p3dx-sh", "P3AT",
// ...). A model not in the table takes the p3dx's 260 mm, the default model.
double bodyRadiusForModel(const std::string& model);
