#include "sim/robot_body.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {
struct ModelRadius {
  std::string_view model;
  double radiusMm;
};

// Half the largest body dimension, rounded up: the disc covers the body.
constexpr ModelRadius kRadii[] = {
    {"p3dx", 260}, {"p3at", 330}, {"p2dx", 240}, {"amigobot", 180}, {"peoplebot", 260},
};
constexpr double kDefaultRadiusMm = 260;
}  // namespace

double bodyRadiusForModel(const std::string& model) {
  std::string name = model;
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (name.size() > 3 && name.ends_with("-sh")) name.resize(name.size() - 3);
  for (const ModelRadius& m : kRadii) {
    if (name == m.model) return m.radiusMm;
  }
  return kDefaultRadiusMm;
}
