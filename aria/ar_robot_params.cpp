#include "aria/ar_robot_params.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

bool robotParamsForModel(std::string_view model, ArRobotParams& params) {
  std::string lower(model);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  params = ArRobotParams{};
  if (lower.size() > 3 && lower.ends_with("-sh")) return true;
  // The older models count in 0.485 mm steps.
  static constexpr std::array<std::string_view, 9> kOlder = {"p3dx", "p3at", "p2dx", "p2at", "p2de",
                                                             "p2d8", "p2ce", "p2it", "p2pp"};
  if (std::find(kOlder.begin(), kOlder.end(), lower) != kOlder.end()) {
    params.distConvFactor = 0.485;
    return true;
  }
  return false;
}
