// The main thread's heartbeat and the manual worker that watches it: the
// station's own window and frame loop on this test's main thread, a manual
// worker on the driving globals against the simulator. A stall of the main
// thread (injected from the event loop, as a hung buffer swap would hold it)
// stops the robot; after it, the set speed is zero and driving goes on from
// the keys.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "core/driving_state.h"
#include "core/frame_loop.h"
#include "core/station_globals.h"
#include "core/window_procedure.h"
#include "dashboard/textures.h"
#include "gui/dialog_host.h"
#include "gui/event_loop_beat.h"
#include "gui/message_box.h"
#include "gui/station_window.h"
#include "robot/robot_workers.h"
#include "sim/sim_server.h"
#include "state/arc_table.h"
#include "tests/support/console_capture.h"
#include "tests/support/private_display.h"

namespace {
using namespace std::chrono_literals;

// The left wheel's speed (mm/s) of the last VEL2 the simulator received;
// INT32_MIN before the first.
int lastLeftWheel(const SimServer& sim) {
  int left = INT32_MIN;
  for (const auto& r : sim.commandLog()) {
    if (r.name == "VEL2") left = static_cast<int8_t>(static_cast<uint16_t>(r.value) >> 8) * 20;
  }
  return left;
}

class MainThreadHeartbeatTest : public testing::Test {
 protected:
  void SetUp() override {
    // Its windows and modal loops on a server of its own, over no other test's windows.
    ASSERT_TRUE(useOwnDisplay());
    ASSERT_EQ(chdir(TORVA_RESOURCES), 0);
    setMessageBoxSink([](const MessageBoxRecord&) {});
    useDashboardRenderResources();
    ASSERT_TRUE(createStationWindow("Controlador TORVA version 1.0", 600, 450, 8));
    stationRecord = record_.get();
    viewRecord = view_.get();
    ASSERT_TRUE(
        setEventLoopBeat([] { markHeartbeat(driving.heartbeat); }, MainThreadHeartbeat::kBeatMs));
  }
  void TearDown() override {
    setEventLoopBeat(nullptr, 0);
    destroyStationWindow();
    setMessageBoxSink({});
    stationRecord = nullptr;
    viewRecord = nullptr;
    quitRequest = QuitRequest{};
    driving.keyDown[vk::kUp] = false;
    driving.manualDriveFlag = 1;
  }

  std::unique_ptr<RobotController> record_ = std::make_unique<RobotController>();
  std::unique_ptr<ArcTable> view_ = std::make_unique<ArcTable>();
};
}  // namespace

// The console's reader stalls too (the station's output on a pipe nobody
// reads): the stop must not wait on its line.
TEST_F(MainThreadHeartbeatTest, AStalledMainThreadStopsTheRobotUntilItIsBackWithSpeedZero) {
  SimOptions options;
  options.port = 0;
  options.cycleMs = 20;
  SimServer sim(options);
  std::string why;
  ASSERT_TRUE(sim.start(why)) << why;
  record_->simulatorMode = 1;

  // The main thread: the frame loop, and a check every 10 ms of what the
  // test's other thread asks of it (a stall, the end).
  std::atomic<bool> stallNow{false}, quitNow{false};
  // The main thread's last sign of life before the stall (heartbeat clock, ms).
  std::atomic<std::int64_t> lastBeatBeforeStall{0};
  QTimer control;
  QObject::connect(&control, &QTimer::timeout, [&] {
    if (stallNow.exchange(false)) {
      lastBeatBeforeStall = driving.heartbeat.lastBeatMs.load();
      std::this_thread::sleep_for(1500ms);  // handles no event, as a hung swap would
    }
    if (quitNow) postQuitMessage(0);
  });
  control.start(10);

  StalledConsole console;
  std::thread worker([&] {
    ipManualWorker("127.0.0.1", sim.tcpPort(), &driving.wheelSpeeds, &driving.manualDriveFlag,
                   *record_, &driving.heartbeat);
  });
  int stopMs = -1, resumedAt = INT32_MIN, speedBefore = 0;
  std::thread test([&] {
    // Up held until the robot is told 0.6 m/s.
    pollUntil([&] { return lastLeftWheel(sim) != INT32_MIN; }, 10s);
    driving.keyDown[vk::kUp] = true;
    pollUntil([&] { return lastLeftWheel(sim) >= 600; }, 20s);
    speedBefore = lastLeftWheel(sim);
    // The main thread stalls with Up still held; the robot must be stopped.
    stallNow = true;
    pollUntil([&] { return lastBeatBeforeStall != 0; }, 5s);
    if (pollUntil([&] { return lastLeftWheel(sim) == 0; }, 3s)) {
      stopMs = static_cast<int>(heartbeatClockMs() - lastBeatBeforeStall);
    }
    // Back: driving goes on from the keys, from a set speed of zero.
    pollUntil([&] { return lastLeftWheel(sim) > 0; }, 10s);
    resumedAt = lastLeftWheel(sim);
    driving.keyDown[vk::kUp] = false;
    driving.manualDriveFlag = 0;
    quitNow = true;
  });
  EXPECT_EQ(runFrameLoop(), 0);
  test.join();
  worker.join();
  const std::string printed = console.release();

  RecordProperty("stop_ms", stopMs);
  EXPECT_GE(speedBefore, 600);
  // Counted from the main thread's last sign of life: the stall, or a slow
  // frame just before it (a loaded machine under a sanitizer).
  ASSERT_GE(stopMs, 0) << "the robot was told to stop while the main thread stalled";
  EXPECT_LE(stopMs, 600);
  EXPECT_GE(stopMs, static_cast<int>(MainThreadHeartbeat::kSilenceMs));
  // The stale 0.6 m/s did not come back: the speed ramps up again from zero.
  EXPECT_GT(resumedAt, 0);
  EXPECT_LE(resumedAt, 200);
  // Said once the console's reader reads again, after the stop.
  EXPECT_NE(printed.find("estacion sin respuesta: robot detenido\n"), std::string::npos) << printed;
}

// Modal loops (a message box, a dialog) handle events too: the heartbeat goes
// on while they are open, so opening one never stops the robot.
TEST_F(MainThreadHeartbeatTest, BeatsGoOnInsideModalLoops) {
  setMessageBoxSink({});  // real boxes
  std::atomic<bool> done{false};
  std::atomic<int> silentSeen{0};
  std::thread watcher([&] {
    while (!done) {
      silentSeen += mainThreadSilent(driving.heartbeat) ? 1 : 0;
      std::this_thread::sleep_for(20ms);
    }
  });
  // Each modal loop is ended from inside itself after a second, twice the
  // silence a worker tolerates.
  const auto closeModalSoon = [] {
    QTimer::singleShot(1000, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
  };
  closeModalSoon();
  showMessageBox("Informacion", "prueba", MessageIcon::Information);
  closeModalSoon();
  const int result = runStationDialog(138, ipDialogProc, nullptr);
  done = true;
  watcher.join();
  EXPECT_EQ(result, 0) << "the dialog was closed by its window button";
  EXPECT_EQ(silentSeen, 0);
}
