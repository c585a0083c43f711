#pragma once
// A fingerprint of everything a dashboard frame shows. The frame loop draws a
// new frame only when it changes (or the window needs repainting), so a
// station whose values stand still costs almost no processor.
#include <cstdint>

#include "dashboard/dashboard_composer.h"
#include "state/robot_controller.h"

std::uint64_t dashboardSignature(const RobotController& rc, const DashboardInputs& inputs);

// The two signatures it combines: what the operator's own input shows, and
// what the station record shows.
std::uint64_t dashboardInputSignature(const DashboardInputs& inputs);
std::uint64_t dashboardDataSignature(const RobotController& rc);
