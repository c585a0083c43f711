#include "core/frame_loop.h"

#include <chrono>
#include <cstdint>
#include <thread>

#include "core/driving_state.h"
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
std::uint64_t shownSignature = 0;

DashboardInputs currentInputs() {
  DashboardInputs inputs;
  inputs.manualSpeed = driving.manualSpeed;
  inputs.mouseButtonHeld = driving.mouseButtonHeld;
  return inputs;
}

// A frame is drawn when what it shows changed, when the window must be
// repainted, and while the mouse button is held (the frame keeps the cursor
// centred). Otherwise the picture on screen is already right.
bool frameWanted() {
  const RobotController* rc = stationRecord.load();
  if (rc == nullptr) return false;
  const bool repaint = takeRepaintRequest();
  const DashboardInputs inputs = currentInputs();
  const std::uint64_t signature = dashboardSignature(*rc, inputs);
  if (!repaint && !inputs.mouseButtonHeld && signature == shownSignature) return false;
  shownSignature = signature;
  return true;
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
