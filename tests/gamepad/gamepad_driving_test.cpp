// The driving steps on what the gamepad reader publishes, with a virtual
// gamepad and the reader on the test's clock: the sticks' speed and turn, the
// dead-man button, the ways the gamepad can be lost, "B", and the keys.
#include "core/gamepad_driving.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/driving_state.h"
#include "core/driving_steps.h"
#include "gamepad/stick_axis.h"
#include "tests/gamepad/running_reader.h"
#include "tests/gamepad/virtual_gamepad.h"
#include "tests/support/console_capture.h"

namespace {
constexpr std::int16_t kUp = -32768;  // SDL's vertical axes grow downwards
constexpr std::int16_t kDown = 32767;
constexpr std::int16_t kRight = 32767;
constexpr std::int16_t kLeft = -32768;

class GamepadDriving : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(reader_.up());
    pad_ = std::make_unique<VirtualGamepad>("Mando");
    ASSERT_TRUE(pad_->plugged());
    // Frames run all along in the station: they see the dead-man button up.
    passAndFrame();
  }

  void deadMan(bool held) { pad_->button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, held); }
  void stopButton(bool held) { pad_->button(SDL_CONTROLLER_BUTTON_B, held); }
  void sticks(std::int16_t leftY, std::int16_t rightX) {
    pad_->axis(SDL_CONTROLLER_AXIS_LEFTY, leftY);
    pad_->axis(SDL_CONTROLLER_AXIS_RIGHTX, rightX);
  }
  void key(int k, bool down) { d_.keyDown[static_cast<std::size_t>(k)] = down; }

  // One frame's driving steps at the test clock's time.
  void frame() { runDrivingSteps(d_, reader_.clock.ms()); }
  // The reader's next pass, then a frame.
  void passAndFrame(std::int64_t ms = 10) {
    ASSERT_TRUE(reader_.pass(ms));
    frame();
  }
  bool stopped() const {
    return d_.manualSpeed == 0.0f && d_.manualTurn == 0.0f &&
           d_.wheelSpeeds.load() == WheelSpeeds{};
  }
  // Full speed ahead from the gamepad, the button pressed anew.
  void driveAhead() {
    deadMan(false);
    passAndFrame();
    sticks(kUp, 0);
    deadMan(true);
    passAndFrame();
  }

  ConsoleCapture console_;
  DrivingState d_;
  RunningReader reader_{d_.gamepad};
  std::unique_ptr<VirtualGamepad> pad_;
};
}  // namespace

TEST_F(GamepadDriving, SticksSetTheSpeedAndTurnUpToTheKeysLimits) {
  deadMan(true);
  const std::int16_t half = kStickDeadZone + (32767 - kStickDeadZone) / 2;
  struct Case {
    std::int16_t leftY, rightX;
    float speed, turn;
  };
  const Case cases[] = {
      {0, 0, 0, 0},
      // The dead zone's edge still reads as the centre.
      {-kStickDeadZone, kStickDeadZone, 0, 0},
      {kStickDeadZone, -kStickDeadZone, 0, 0},
      // Full travel is the keys' limit, either way.
      {kUp, 0, 1.2f, 0},
      {kDown, 0, -1.2f, 0},
      // Halfway past the dead zone, half of it.
      {static_cast<std::int16_t>(-half), 0, 0.6f, 0},
      {static_cast<std::int16_t>(half), 0, -0.6f, 0},
      // The turn as the keys give it: right turns right going forward, and
      // the sign flips going back, as Right's does.
      {kUp, kRight, 1.2f, 0.3f},
      {kUp, kLeft, 1.2f, -0.3f},
      {kDown, kRight, -1.2f, -0.3f},
      {kDown, kLeft, -1.2f, 0.3f},
      {0, kRight, 0, 0.3f},
      {static_cast<std::int16_t>(-half), half, 0.6f, 0.15f},
  };
  for (const Case& c : cases) {
    sticks(c.leftY, c.rightX);
    passAndFrame();
    SCOPED_TRACE(testing::Message() << c.leftY << " " << c.rightX);
    EXPECT_NEAR(d_.manualSpeed, c.speed, 1e-6);
    EXPECT_NEAR(d_.manualTurn, c.turn, 1e-6);
    EXPECT_NEAR(d_.wheelSpeeds.load().left, c.speed + c.turn * 0.41 / 2, 1e-6);
    EXPECT_NEAR(d_.wheelSpeeds.load().right, c.speed - c.turn * 0.41 / 2, 1e-6);
  }
  // The limits are the keys' own, exactly.
  sticks(kDown, 0);
  passAndFrame();
  EXPECT_EQ(d_.manualSpeed, -d_.maxManualSpeed);
}

TEST_F(GamepadDriving, DrivesOnlyWhileTheDeadManIsHeldAndStopsInTheFrameItIsLetGo) {
  sticks(kUp, kRight);
  passAndFrame();
  EXPECT_TRUE(stopped()) << "not held: the gamepad sets nothing";

  deadMan(true);
  passAndFrame();
  EXPECT_EQ(d_.manualSpeed, 1.2f);
  // While it drives, the arrows wait; its sticks alone set speed and turn.
  key(vk::kDown, true);
  key(vk::kLeft, true);
  frame();
  EXPECT_EQ(d_.manualSpeed, 1.2f);
  EXPECT_NEAR(d_.manualTurn, 0.3f, 1e-6);
  key(vk::kDown, false);
  key(vk::kLeft, false);

  deadMan(false);
  passAndFrame();
  EXPECT_TRUE(stopped()) << "let go: stopped in the first frame after";
  // Then the keys drive as ever, from zero.
  key(vk::kUp, true);
  frame();
  EXPECT_NEAR(d_.manualSpeed, 0.01f, 1e-6);
  key(vk::kUp, false);

  deadMan(true);
  passAndFrame();
  EXPECT_EQ(d_.manualSpeed, 1.2f) << "pressed again: it drives again";
}

TEST_F(GamepadDriving, KeysDriveAsWithoutAGamepadWhileTheDeadManIsUp) {
  sticks(kUp, kRight);  // pushed, without the dead-man button
  ASSERT_TRUE(reader_.pass());
  DrivingState alone;
  struct Held {
    int key;  // 0: none
    int frames;
  };
  const Held script[] = {{vk::kUp, 30},   {vk::kLeft, 1}, {0, 15},         {vk::kDown, 80},
                         {vk::kRight, 1}, {vk::kUp, 200}, {vk::kSpace, 1}, {vk::kDown, 5}};
  int n = 0;
  for (const Held& h : script) {
    for (int i = 0; i < h.frames; ++i, ++n) {
      if (h.key != 0) {
        key(h.key, true);
        alone.keyDown[static_cast<std::size_t>(h.key)] = true;
      }
      frame();
      runDrivingSteps(alone, reader_.clock.ms());
      ASSERT_EQ(d_.manualSpeed, alone.manualSpeed) << "frame " << n;
      ASSERT_EQ(d_.manualTurn, alone.manualTurn) << "frame " << n;
      ASSERT_EQ(d_.wheelSpeeds.load(), alone.wheelSpeeds.load()) << "frame " << n;
    }
    if (h.key != 0) {
      key(h.key, false);
      alone.keyDown[static_cast<std::size_t>(h.key)] = false;
    }
  }
  EXPECT_NE(alone.manualSpeed, 0.0f) << "the script ends moving";
}

// Pulled out, or read no more: stopped at once, and not driving again on a
// dead-man button that was held all along, only once it is pressed anew.
TEST_F(GamepadDriving, APulledOutGamepadOrAStalledReaderStopsAtOnce) {
  struct Way {
    const char* what;
    std::function<void()> lose;     // ends with the frame that must stop
    std::function<void()> recover;  // the gamepad back, its dead-man button held
  };
  const Way ways[] = {
      {"pulled out",
       [&] {
         pad_.reset();
         passAndFrame();
       },
       [&] {
         pad_ = std::make_unique<VirtualGamepad>("Mando");
         deadMan(true);
         sticks(kUp, 0);
         passAndFrame();
       }},
      {"stalled reader",
       [&] {
         const std::int64_t lastRead = reader_.clock.ms();
         reader_.clock.hold();  // the reader's next pass hangs
         reader_.clock.set(lastRead + kGamepadSilenceMs);
         frame();
         EXPECT_EQ(d_.manualSpeed, 1.2f) << "read 0.5 s ago: still live";
         reader_.clock.set(lastRead + kGamepadSilenceMs + 1);
         frame();
       },
       [&] {
         reader_.clock.release();
         passAndFrame();
       }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.what);
    driveAhead();
    ASSERT_EQ(d_.manualSpeed, 1.2f);
    way.lose();
    EXPECT_TRUE(stopped());
    way.recover();
    ASSERT_EQ(d_.gamepad.load().deadManHeld, 1u);
    for (int i = 0; i < 3; ++i) passAndFrame();
    EXPECT_TRUE(stopped()) << "held since before the stop";
    driveAhead();
    EXPECT_EQ(d_.manualSpeed, 1.2f) << "pressed anew";
  }
}

// A stick held still sends no events; the reader's passes go on all the same,
// so ten seconds of it are not a stall. The test's clock moves the ten seconds
// in about half a second.
TEST_F(GamepadDriving, AStickHeldStillForTenSecondsKeepsTheRobotGoing) {
  driveAhead();
  const std::int64_t start = reader_.clock.ms();
  for (int i = 0; i < 100; ++i) {
    passAndFrame(100);
    ASSERT_EQ(d_.manualSpeed, 1.2f) << reader_.clock.ms() - start << " ms";
  }
  EXPECT_EQ(reader_.clock.ms() - start, 10000);
}

TEST_F(GamepadDriving, BStopsAsSpaceDoes) {
  key(vk::kUp, true);
  for (int i = 0; i < 50; ++i) frame();
  key(vk::kUp, false);
  ASSERT_GT(d_.manualSpeed, 0.4f);
  // Pressed and let go between two frames: counted, it still stops.
  stopButton(true);
  ASSERT_TRUE(reader_.pass());
  stopButton(false);
  passAndFrame();
  EXPECT_TRUE(stopped());

  // Held, it holds the robot still as Space held does.
  stopButton(true);
  ASSERT_TRUE(reader_.pass());
  key(vk::kUp, true);
  frame();
  frame();
  EXPECT_TRUE(stopped());
  key(vk::kUp, false);
  stopButton(false);
  passAndFrame();

  // While the gamepad drives: stopped, and it stays so while the dead-man
  // button stays held.
  driveAhead();
  ASSERT_EQ(d_.manualSpeed, 1.2f);
  stopButton(true);
  passAndFrame();
  EXPECT_TRUE(stopped());
  stopButton(false);
  passAndFrame();
  EXPECT_TRUE(stopped());
  driveAhead();
  EXPECT_EQ(d_.manualSpeed, 1.2f);
}

// With a menu or a dialog open no frame runs; the event loop's beat applies
// the gamepad instead, so it drives and stops just the same.
TEST_F(GamepadDriving, TheBeatsStepDrivesAndStopsWithoutFrames) {
  sticks(kUp, 0);
  deadMan(true);
  ASSERT_TRUE(reader_.pass());
  runGamepadStep(d_, reader_.clock.ms());
  EXPECT_EQ(d_.manualSpeed, 1.2f);
  deadMan(false);
  ASSERT_TRUE(reader_.pass());
  runGamepadStep(d_, reader_.clock.ms());
  EXPECT_TRUE(stopped());

  key(vk::kUp, true);
  for (int i = 0; i < 20; ++i) frame();
  key(vk::kUp, false);
  stopButton(true);
  ASSERT_TRUE(reader_.pass());
  runGamepadStep(d_, reader_.clock.ms());
  EXPECT_TRUE(stopped()) << "\"B\" too";
}
