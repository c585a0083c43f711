#include "core/window_procedure.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/driving_state.h"
#include "core/robot_addresses.h"
#include "core/station_globals.h"
#include "core/station_hooks.h"
#include "core/thread_entries.h"
#include "gui/station_resources.h"

namespace {
// A dialog host that keeps the fields and the result.
class RecordingHost : public DialogHost {
 public:
  void setItemText(int id, const std::string& text) override { fields[id] = text; }
  void endDialog(int result) override { ended = result; }
  std::map<int, std::string> fields;
  int ended = -100;
};

// Runs the window procedure with every outside effect recorded: the dialog
// that opens is driven by `script` (messages after its initialisation).
class WindowProcedure : public testing::Test {
 protected:
  void SetUp() override {
    stationRecord = record_.get();
    driving.windowActive = true;
    driving.mouseButtonHeld = false;
    for (auto& key : driving.keyDown) key = false;
    clearKeyTaps(driving);
    quitRequest = {};
    setRobotAddress("");
    stationHooks.resizeView = [this](int w, int h) { views_.push_back({w, h}); };
    stationHooks.showCursor = [this](bool visible) { cursor_.push_back(visible); };
    stationHooks.startThread = [this](int (*entry)(const char*), const char* label) {
      started_.push_back({entry, label});
    };
    stationHooks.redrawDashboard = [this] { ++redraws_; };
    stationHooks.runDialog = [this](int id, DialogProcedure procedure) {
      dialogs_.push_back(id);
      host_ = RecordingHost{};
      procedure(host_, {DialogMessage::Type::Init, 0, {}});
      for (const DialogMessage& m : script_) {
        if (host_.ended != -100) break;
        procedure(host_, m);
      }
      return host_.ended;
    };
  }
  void TearDown() override {
    stationHooks = StationHooks{};
    stationRecord = nullptr;
  }

  void command(int id) { stationWindowProc({WindowMessageType::Command, commandParam(id), 0, 0}); }
  static DialogMessage click(int id) { return {DialogMessage::Type::Command, id, {}}; }

  std::unique_ptr<RobotController> record_ = std::make_unique<RobotController>();
  std::vector<std::pair<int, int>> views_;
  std::vector<bool> cursor_;
  std::vector<std::pair<int (*)(const char*), std::string>> started_;
  std::vector<int> dialogs_;
  std::vector<DialogMessage> script_;
  RecordingHost host_;
  int redraws_ = 0;
};
}  // namespace

TEST_F(WindowProcedure, MessagesSetTheSharedState) {
  EXPECT_EQ(stationWindowProc({WindowMessageType::KeyDown, 38, 0, 0}), 0);
  EXPECT_TRUE(driving.keyDown[38]);
  stationWindowProc({WindowMessageType::KeyUp, 38, 0, 0});
  EXPECT_FALSE(driving.keyDown[38]);
  EXPECT_TRUE(keyActive(driving, 38));  // the tap still reaches the next frame
  clearKeyTaps(driving);
  stationWindowProc({WindowMessageType::KeyDown, 100000, 0, 0});  // out of the table: ignored

  stationWindowProc({WindowMessageType::Size, 0, 800, 577});
  EXPECT_EQ(views_, (std::vector<std::pair<int, int>>{{800, 577}}));

  // Minimise, then restore; losing the focus alone keeps drawing.
  stationWindowProc({WindowMessageType::Activate, activateParam(false, true), 0, 0});
  EXPECT_FALSE(driving.windowActive);
  stationWindowProc({WindowMessageType::Activate, activateParam(true, false), 0, 0});
  EXPECT_TRUE(driving.windowActive);
  stationWindowProc({WindowMessageType::Activate, activateParam(false, false), 0, 0});
  EXPECT_TRUE(driving.windowActive);

  stationWindowProc({WindowMessageType::LeftButtonDown, 0, 5, 5});
  EXPECT_TRUE(driving.mouseButtonHeld);
  stationWindowProc({WindowMessageType::LeftButtonUp, 0, 5, 5});
  EXPECT_FALSE(driving.mouseButtonHeld);
  EXPECT_EQ(cursor_, (std::vector<bool>{false, true}));

  EXPECT_FALSE(quitRequest.requested);

  stationWindowProc({WindowMessageType::Close, 0, 0, 0});
  EXPECT_TRUE(quitRequest.requested);
  EXPECT_EQ(quitRequest.code, 0);
}

TEST_F(WindowProcedure, LaserMenuSetsTheRadarRangeAndGuardarDoesNothing) {
  command(res::kCmdLaser10);
  EXPECT_EQ(record_->laserDisplayRange, 10.0f);
  command(res::kCmdLaser5);
  EXPECT_EQ(record_->laserDisplayRange, 5.0f);
  command(res::kCmdLaser50);
  command(res::kCmdSaveStatistics);
  EXPECT_EQ(record_->laserDisplayRange, 50.0f);
  command(res::kCmdLaser25);
  EXPECT_EQ(record_->laserDisplayRange, 25.0f);
  EXPECT_TRUE(dialogs_.empty());
  EXPECT_TRUE(started_.empty());
  command(res::kCmdExit);
  EXPECT_TRUE(quitRequest.requested);
  EXPECT_EQ(quitRequest.code, 0);
}

TEST_F(WindowProcedure, SerialDialogStartsFromCom1AndCancelStartsNothing) {
  script_ = {click(1026), click(res::kIdCancel)};  // "COM7", "Cancelar"
  command(res::kCmdSerialMode);
  EXPECT_EQ(dialogs_, std::vector<int>{res::kDialogSerial});
  EXPECT_STREQ(record_->serialPortName, "COM7");
  EXPECT_EQ(host_.fields[res::kIdSerialSelected], "COM7");
  EXPECT_EQ(host_.ended, res::kIdCancel);
  EXPECT_TRUE(started_.empty());

  // Opened again: back at COM1; a port, then "Manual" starts the serial worker.
  script_ = {click(4), click(res::kIdSerialManual)};
  command(res::kCmdSerialMode);
  ASSERT_EQ(started_.size(), 1u);
  EXPECT_EQ(started_[0].first, serialManualThreadMain);
  EXPECT_EQ(started_[0].second, "T4");
  EXPECT_STREQ(record_->serialPortName, "COM3");
  EXPECT_EQ(host_.ended, res::kIdSerialManual);

  script_ = {click(res::kIdSerialAuto)};
  command(res::kCmdSerialMode);
  EXPECT_STREQ(record_->serialPortName, "COM1");
  EXPECT_EQ(started_.back().first, serialAutoThreadMain);
  EXPECT_EQ(started_.back().second, "T5");
  script_ = {{DialogMessage::Type::Close, 0, {}}};
  command(res::kCmdSerialMode);
  EXPECT_EQ(host_.ended, 0);
  EXPECT_EQ(started_.size(), 2u);
  EXPECT_GT(redraws_, 8);  // every message redraws the dashboard
}

TEST_F(WindowProcedure, IpMenuSetsTheAddressAndTheDialogStartsTheWorkers) {
  script_ = {click(res::kIdCancel)};
  command(res::kCmdRobot2);
  EXPECT_EQ(robotAddressText(), robotTwoAddress());
  EXPECT_EQ(host_.fields[res::kIdIpAddress], robotTwoAddress());
  EXPECT_TRUE(started_.empty());
  EXPECT_EQ(record_->simulatorMode, 0);

  // Editing the field copies it back, cut to 99 characters.
  const std::string longAddress(150, '7');
  script_ = {{DialogMessage::Type::FieldChanged, res::kIdIpAddress, longAddress},
             click(res::kIdOk)};
  command(res::kCmdRobot1);
  EXPECT_EQ(robotAddressText(), longAddress.substr(0, 99));
  ASSERT_EQ(started_.size(), 1u);
  EXPECT_EQ(started_[0].first, ipManualThreadMain);
  EXPECT_EQ(started_[0].second, "T1");

  script_ = {click(res::kIdIpAuto)};
  command(res::kCmdMobileSim);
  EXPECT_EQ(robotAddressText(), "127.0.0.1");
  EXPECT_EQ(record_->simulatorMode, 1);
  EXPECT_EQ(started_.back().first, ipAutoThreadMain);
  EXPECT_EQ(started_.back().second, "T2");
  EXPECT_EQ(host_.ended, res::kIdIpAuto);
}

TEST_F(WindowProcedure, AboutDialogEndsWithAceptar) {
  script_ = {click(99), click(res::kIdOk)};
  command(res::kCmdAbout);
  EXPECT_EQ(dialogs_, std::vector<int>{res::kDialogAbout});
  EXPECT_EQ(host_.ended, res::kIdOk);
}

TEST(RobotAddresses, EnvironmentOverridesTheDefaults) {
  const std::string defaultOne = robotOneAddress();
  setenv("TORVA_ROBOT1", "10.9.8.7", 1);
  EXPECT_STREQ(robotOneAddress(), "10.9.8.7");
  unsetenv("TORVA_ROBOT1");
  EXPECT_EQ(robotOneAddress(), defaultOne);
  EXPECT_STRNE(robotOneAddress(), robotTwoAddress());
}
