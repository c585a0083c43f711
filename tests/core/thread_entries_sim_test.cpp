// The serial robot workers as the dialogs start them: the thread routine
// takes the port name from the station record and, for manual driving, the
// wheel speeds and run flag from the driving globals.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "core/driving_state.h"
#include "core/station_globals.h"
#include "core/thread_entries.h"
#include "sim/sim_server.h"
#include "tests/support/console_capture.h"
#include "tests/support/poll_until.h"

namespace {
struct SerialStation {
  SimServer sim{[] {
    SimOptions o;
    o.port = 0;
    o.tcp = false;
    o.pty = true;
    o.cycleMs = 20;
    return o;
  }()};
  std::unique_ptr<RobotController> station = std::make_unique<RobotController>();

  bool start() {
    std::string why;
    if (!sim.start(why) || setenv("TORVA_COM8", sim.ptyPath().c_str(), 1) != 0) return false;
    station->serialPortName = "COM8";
    station->routeFileName = TORVA_TEST_DATA "/routes/no_such_route.dat";
    stationRecord = station.get();
    return true;
  }
  ~SerialStation() { stationRecord = nullptr; }

  int vel2Count(int value) const {
    int n = 0;
    for (const auto& r : sim.commandLog())
      n += r.name == "VEL2" && r.link == 's' && r.value == value;
    return n;
  }
};
}  // namespace

TEST(SerialThreadEntries, AutomaticRunsOnTheStationsSerialPort) {
  SerialStation s;
  ASSERT_TRUE(s.start());
  ConsoleCapture capture;
  EXPECT_EQ(serialAutoThreadMain("T5"), 0);
  const std::string console = capture.text();
  EXPECT_NE(console.find("corriendo ruta fijada\n"), std::string::npos) << console;
  EXPECT_NE(console.find("\nexiste 0 activo 1 paquetes 0\n3c\n"), std::string::npos) << console;
  bool opened = false;
  for (const auto& r : s.sim.commandLog()) opened = opened || (r.name == "OPEN" && r.link == 's');
  EXPECT_TRUE(opened);
}

TEST(SerialThreadEntries, ManualDrivesFromTheDrivingGlobals) {
  SerialStation s;
  ASSERT_TRUE(s.start());
  driving.wheelSpeeds = WheelSpeeds{0.1f, 0.2f};
  driving.manualDriveFlag = 1;
  ConsoleCapture capture;
  int result = -1;
  std::thread worker([&] { result = serialManualThreadMain("T4"); });
  // 100 and 200 mm/s: 5 and 10 units of 20 mm/s, left in the high byte.
  const int packed = (5 << 8) | 10;
  pollUntil([&] { return s.vel2Count(packed) > 0; }, std::chrono::seconds(10));
  driving.manualDriveFlag = 0;
  worker.join();
  const std::string console = capture.text();
  driving.manualDriveFlag = 1;
  driving.wheelSpeeds = WheelSpeeds{};
  EXPECT_GE(s.vel2Count(packed), 1);
  EXPECT_EQ(result, 0);
  EXPECT_NE(console.find("runhola["), std::string::npos) << console;
  EXPECT_NE(console.find("3c\n"), std::string::npos) << console;
}
