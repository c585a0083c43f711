#include "core/driving_steps.h"

#include <gtest/gtest.h>

#include "core/driving_state.h"
#include "tests/support/console_capture.h"

namespace {
void press(DrivingState& d, int key, bool down = true) {
  d.keyDown[static_cast<std::size_t>(key)] = down;
}

// Runs frames with the given key held, then releases it.
void holdFor(DrivingState& d, int key, int frames) {
  press(d, key);
  for (int i = 0; i < frames; ++i) runDrivingSteps(d);
  press(d, key, false);
}
}  // namespace

TEST(DrivingSteps, UpRampsByHundredthsAndClampsOnTheNextFrame) {
  DrivingState d;
  press(d, vk::kUp);
  float previous = 0;
  for (int frame = 0; frame < 200; ++frame) {
    runDrivingSteps(d);
    const float v = d.manualSpeed;
    if (previous > 1.2f) {
      // Past the limit for one frame only: the next frame clamps it exactly.
      EXPECT_EQ(v, 1.2f);
    } else if (previous < 1.2f) {
      EXPECT_NEAR(v - previous, 0.01f, 1e-5f);
      EXPECT_LT(v, 1.21f);
    }
    EXPECT_EQ(d.wheelSpeeds.load().left, v);
    EXPECT_EQ(d.wheelSpeeds.load().right, v);
    previous = v;
  }
  EXPECT_EQ(d.manualSpeed, 1.2f);
}

TEST(DrivingSteps, DownMirrorsUp) {
  DrivingState d;
  holdFor(d, vk::kDown, 200);
  EXPECT_EQ(d.manualSpeed, -1.2f);
  EXPECT_EQ(d.wheelSpeeds.load().left, -1.2f);
}

TEST(DrivingSteps, TurnsDependOnTheDirectionOfTravel) {
  struct Case {
    float speed;
    int key;
    float turn;
    float left;
    float right;
  };
  const Case cases[] = {
      {0.5f, vk::kLeft, -0.3f, 0.4385f, 0.5615f},   {0.5f, vk::kRight, 0.3f, 0.5615f, 0.4385f},
      {-0.5f, vk::kLeft, 0.3f, -0.4385f, -0.5615f}, {-0.5f, vk::kRight, -0.3f, -0.5615f, -0.4385f},
      {0.0f, vk::kLeft, -0.3f, -0.0615f, 0.0615f},
  };
  for (const Case& c : cases) {
    DrivingState d;
    d.manualSpeed = c.speed;
    holdFor(d, c.key, 1);
    EXPECT_EQ(d.manualTurn, c.turn) << c.speed << " " << c.key;
    EXPECT_NEAR(d.wheelSpeeds.load().left, c.left, 1e-6) << c.speed << " " << c.key;
    EXPECT_NEAR(d.wheelSpeeds.load().right, c.right, 1e-6) << c.speed << " " << c.key;
    EXPECT_EQ(d.turnHoldFrames, 10);
    // Released: the wheel speeds keep the turn until another key acts.
    for (int i = 0; i < 30; ++i) runDrivingSteps(d);
    EXPECT_NEAR(d.wheelSpeeds.load().left, c.left, 1e-6);
    EXPECT_EQ(d.manualTurn, 0.0f);
  }
}

TEST(DrivingSteps, TurnHoldClearsTheTurnElevenFramesLaterWhileUpIsHeld) {
  DrivingState d;
  d.manualSpeed = 0.5f;
  holdFor(d, vk::kLeft, 1);
  press(d, vk::kUp);
  int framesWithTurn = 0;
  for (int i = 0; i < 20; ++i) {
    runDrivingSteps(d);
    if (d.wheelSpeeds.load().left != d.wheelSpeeds.load().right) ++framesWithTurn;
  }
  // Ten frames count the hold down, the eleventh clears the turn term and the
  // same frame's recompute makes the wheels equal again.
  EXPECT_EQ(framesWithTurn, 10);
}

TEST(DrivingSteps, SpaceStopsBothWheelsInTheSameFrame) {
  DrivingState d;
  holdFor(d, vk::kUp, 50);
  holdFor(d, vk::kRight, 1);
  press(d, vk::kSpace);
  press(d, vk::kUp);  // Space acts after Up within the frame
  runDrivingSteps(d);
  EXPECT_EQ(d.manualSpeed, 0.0f);
  EXPECT_EQ(d.manualTurn, 0.0f);
  EXPECT_EQ(d.wheelSpeeds.load().left, 0.0f);
  EXPECT_EQ(d.wheelSpeeds.load().right, 0.0f);
  EXPECT_EQ(d.turnHoldFrames, 9);  // counted down by the frame, untouched by Space
}

TEST(DrivingSteps, TestPointKeysMoveThePointAndPrintItEveryFrame) {
  DrivingState d;
  ConsoleCapture capture;
  holdFor(d, vk::kS, 3);
  holdFor(d, vk::kF, 1);
  holdFor(d, vk::kA, 1);
  holdFor(d, vk::kD, 2);
  const std::string out = capture.text();
  EXPECT_EQ(out,
            "pos X= 0.010000 , pos Y= 0.000000 \n"
            "pos X= 0.020000 , pos Y= 0.000000 \n"
            "pos X= 0.030000 , pos Y= 0.000000 \n"
            "pos X= 0.030000 , pos Y= 0.010000 \n"
            "pos X= 0.020000 , pos Y= 0.010000 \n"
            // Steps are added in double and stored as floats: back at the
            // start the sum is a hair below zero.
            "pos X= 0.020000 , pos Y= -0.000000 \n"
            "pos X= 0.020000 , pos Y= -0.010000 \n");
}

TEST(DrivingSteps, ATapShorterThanAFrameActsOnce) {
  DrivingState d;
  d.keyTapped[vk::kUp] = true;  // pressed and released between two frames
  runDrivingSteps(d);
  EXPECT_NEAR(d.manualSpeed, 0.01f, 1e-6f);
  runDrivingSteps(d);
  EXPECT_NEAR(d.manualSpeed, 0.01f, 1e-6f);
  EXPECT_FALSE(keyActive(d, vk::kUp));
}
