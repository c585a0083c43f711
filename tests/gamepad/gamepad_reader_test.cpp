// The gamepad reader with virtual gamepads: which one it uses as they come
// and go, what the console says, and what it publishes of each stick and
// button; and how long what it published counts as live.
#include "gamepad/gamepad_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/gamepad/running_reader.h"
#include "tests/gamepad/virtual_gamepad.h"
#include "tests/support/console_capture.h"

TEST(GamepadReader, UsesTheFirstGamepadFoundAndFollowsThemInAndOut) {
  Relaxed<GamepadState> state;
  ConsoleCapture console;
  {
    RunningReader reader(state);
    ASSERT_TRUE(reader.up());
    ASSERT_TRUE(reader.pass());
    EXPECT_EQ(state.load().connected, 0u);

    auto a = std::make_unique<VirtualGamepad>("Mando A");
    ASSERT_TRUE(a->plugged());
    ASSERT_TRUE(reader.pass());
    EXPECT_EQ(state.load().connected, 1u);
    // A second one is not used while the first is there.
    VirtualGamepad b("Mando B", 2);
    b.button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true);
    ASSERT_TRUE(reader.pass());
    EXPECT_EQ(state.load().deadManHeld, 0u);
    a->button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true);
    ASSERT_TRUE(reader.pass());
    EXPECT_EQ(state.load().deadManHeld, 1u);

    // The first one out: the other one, still there, takes over.
    a.reset();
    ASSERT_TRUE(reader.pass());
    EXPECT_EQ(state.load().connected, 1u);
    b.button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, false);
    ASSERT_TRUE(reader.pass());
    EXPECT_EQ(state.load().deadManHeld, 0u);

    b.unplug();
    ASSERT_TRUE(reader.pass());
    EXPECT_EQ(state.load().connected, 0u);
    // A joystick whose layout SDL does not know is no gamepad.
    VirtualGamepad stick("Palanca", 3, SDL_JOYSTICK_TYPE_FLIGHT_STICK);
    ASSERT_TRUE(stick.plugged());
    ASSERT_TRUE(reader.pass(100));
    EXPECT_EQ(state.load().connected, 0u);
    // Plugged in later.
    VirtualGamepad c("Mando C", 3);
    ASSERT_TRUE(reader.pass(100));
    EXPECT_EQ(state.load().connected, 1u);
  }
  EXPECT_EQ(console.text(),
            "mando: Mando A conectado\n"
            "mando: Mando A desconectado\n"
            "mando: Mando B conectado\n"
            "mando: Mando B desconectado\n"
            "mando: Palanca no es un mando de juego conocido; se ignora\n"
            "mando: Mando C conectado\n");
}

TEST(GamepadReader, PublishesTheDrivingSticksAndButtonsOnly) {
  Relaxed<GamepadState> state;
  RunningReader reader(state);
  ASSERT_TRUE(reader.up());
  VirtualGamepad pad("Mando");
  ASSERT_TRUE(pad.plugged());

  struct Case {
    const char* what;
    SDL_GameControllerAxis axis;
    std::int16_t value;
    int forward, turn;
  };
  // SDL's vertical axes grow downwards; the other stick axes drive nothing.
  const Case sticks[] = {
      {"left stick up", SDL_CONTROLLER_AXIS_LEFTY, -32768, 1000, 0},
      {"left stick down", SDL_CONTROLLER_AXIS_LEFTY, 32767, -1000, 0},
      {"right stick right", SDL_CONTROLLER_AXIS_RIGHTX, 32767, 0, 1000},
      {"right stick left", SDL_CONTROLLER_AXIS_RIGHTX, -32768, 0, -1000},
      {"left stick sideways", SDL_CONTROLLER_AXIS_LEFTX, 32767, 0, 0},
      {"right stick up", SDL_CONTROLLER_AXIS_RIGHTY, -32768, 0, 0},
      {"left trigger", SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767, 0, 0},
  };
  for (const Case& c : sticks) {
    pad.axis(c.axis, c.value);
    ASSERT_TRUE(reader.pass());
    const GamepadState s = state.load();
    EXPECT_EQ(s.forward, c.forward) << c.what;
    EXPECT_EQ(s.turn, c.turn) << c.what;
    pad.axis(c.axis, 0);
  }

  // Only the left shoulder is the dead-man button, only "B" stops.
  for (const auto other : {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, SDL_CONTROLLER_BUTTON_A,
                           SDL_CONTROLLER_BUTTON_X, SDL_CONTROLLER_BUTTON_Y}) {
    pad.button(other, true);
    ASSERT_TRUE(reader.pass());
    pad.button(other, false);
    const GamepadState s = state.load();
    EXPECT_EQ(s.deadManHeld, 0u) << other;
    EXPECT_EQ(s.stopHeld, 0u) << other;
    EXPECT_EQ(s.stopPresses, 0u) << other;
  }
  pad.button(SDL_CONTROLLER_BUTTON_LEFTSHOULDER, true);
  pad.button(SDL_CONTROLLER_BUTTON_B, true);
  ASSERT_TRUE(reader.pass());
  GamepadState s = state.load();
  EXPECT_EQ(s.deadManHeld, 1u);
  EXPECT_EQ(s.stopHeld, 1u);
  EXPECT_EQ(s.stopPresses, 1u);

  // Each press is counted once, however many passes see it held.
  ASSERT_TRUE(reader.pass());
  for (int i = 0; i < 2; ++i) {
    pad.button(SDL_CONTROLLER_BUTTON_B, false);
    ASSERT_TRUE(reader.pass());
    pad.button(SDL_CONTROLLER_BUTTON_B, true);
    ASSERT_TRUE(reader.pass());
  }
  pad.button(SDL_CONTROLLER_BUTTON_B, false);
  ASSERT_TRUE(reader.pass());
  s = state.load();
  EXPECT_EQ(s.stopHeld, 0u);
  EXPECT_EQ(s.stopPresses, 3u);
}

// The read time travels as the clock's low 32 bits: its age must come out
// right across their wrap, and for a read taken just after the reader of the
// state looked at the clock.
TEST(GamepadState, IsLiveForHalfASecondAfterItsRead) {
  constexpr std::int64_t kWrap = std::int64_t{1} << 32;
  struct Case {
    std::int64_t readMs, nowMs;
    bool connected, live;
  };
  const Case cases[] = {
      {10'000, 10'000, true, true},        {10'000, 10'500, true, true},
      {10'000, 10'501, true, false},       {10'003, 10'000, true, true},
      {kWrap - 5, kWrap + 10, true, true}, {kWrap - 5, kWrap + 496, true, false},
      {10'000, 10'000, false, false},
  };
  for (const Case& c : cases) {
    GamepadState s;
    s.readMs = static_cast<std::uint32_t>(c.readMs);
    s.connected = c.connected ? 1 : 0;
    EXPECT_EQ(gamepadLive(s, c.nowMs), c.live) << c.readMs << " " << c.nowMs;
  }
}
