#include "core/frame_loop.h"

#include <chrono>
#include <cstdint>
#include <thread>

#include "core/driving_state.h"
#include "core/driving_steps.h"
#include "core/frame_gate.h"
#include "core/station_globals.h"
#include "core/window_procedure.h"
#include "dashboard/dashboard_composer.h"
#include "dashboard/dashboard_signature.h"
#include "gui/station_window.h"

namespace {
// Frames are paced by the display's buffer swap; where the swap does not wait
// (a virtual X server, a driver without vsync) the loop keeps to this rate, so
// the per-frame speed steps ramp the same on every machine.
constexpr auto kFramePeriod = std::chrono::microseconds(16667);
}  // namespace

namespace {
FrameGate frameGate;

DashboardInputs currentInputs() {
  DashboardInputs inputs;
  inputs.manualSpeed = driving.manualSpeed;
  inputs.mouseButtonHeld = driving.mouseButtonHeld;
  return inputs;
}

// Otherwise the picture on screen is already right (see FrameGate).
bool frameWanted() {
  const RobotController* rc = stationRecord.load();
  if (rc == nullptr) return false;
  const bool repaint = takeRepaintRequest();
  const DashboardInputs inputs = currentInputs();
  return frameGate.wanted(repaint, inputs.mouseButtonHeld, dashboardInputSignature(inputs),
                          dashboardDataSignature(*rc), std::chrono::steady_clock::now());
}
}  // namespace

void drawStationFrame() {
  const RobotController* rc = stationRecord.load();
  const ArcTable* view = viewRecord.load();
  if (rc == nullptr || view == nullptr) return;
  drawDashboard(*rc, view->cosines.data(), view->sines.data(), currentInputs());
  swapStationBuffers();
}

int runFrameLoop() {
  auto nextFrame = std::chrono::steady_clock::now();
  while (true) {
    processPendingEvents();
    if (quitRequest.requested) return quitRequest.code;
    if (!driving.windowActive) {
      // Minimised: nothing is drawn and the driving keys wait.
      waitForEvents();
      clearKeyTaps(driving);
      nextFrame = std::chrono::steady_clock::now();
      continue;
    }
    if (keyActive(driving, vk::kEscape)) return 0;

    if (driving.projectionPending == 1) {
      driving.projectionPending = 0;
      const ViewSize area = glAreaClientSize();
      resizeView(area.width, area.height);
    }
    if (frameWanted()) drawStationFrame();
    runDrivingSteps(driving);

    nextFrame += kFramePeriod;
    const auto now = std::chrono::steady_clock::now();
    if (nextFrame > now) {
      std::this_thread::sleep_until(nextFrame);
    } else {
      nextFrame = now;  // behind (a slow frame): start a new schedule
    }
  }
}
