// Events on the station window reach the window procedure as messages:
// real key presses and clicks sent through the X server, and resizes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui/message_box.h"
#include "gui/station_window.h"
#include "gui/window_message.h"
#include "tests/support/private_display.h"

namespace {

// A title no window of another process has.
std::string ownTitle() {
  return "Controlador TORVA version 1.0 " + std::to_string(getpid());
}

std::vector<WindowMessage> received;
void recordMessage(const WindowMessage& message) {
  received.push_back(message);
}

class WindowMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Real keys go to whichever window has the focus: on a server of its own,
    // that is this test's window whatever else runs beside it.
    ASSERT_TRUE(useOwnDisplay());
    setRenderResources({});
    setMessageBoxSink([](const MessageBoxRecord&) {});
    ASSERT_TRUE(createStationWindow(ownTitle().c_str(), 600, 450, 8));
    setWindowMessageHandler(recordMessage);
    processPendingEvents();
    received.clear();
  }
  void TearDown() override {
    setWindowMessageHandler(nullptr);
    destroyStationWindow();
    setMessageBoxSink({});
  }

  // Pumps events until `count` messages of `type` arrived or two seconds passed.
  std::vector<WindowMessage> waitFor(WindowMessageType type, std::size_t count) {
    std::vector<WindowMessage> matching;
    pollUntil(
        [&] {
          processPendingEvents();
          matching.clear();
          for (const WindowMessage& m : received) {
            if (m.type == type) matching.push_back(m);
          }
          return matching.size() >= count;
        },
        std::chrono::seconds(2), std::chrono::milliseconds(1));
    return matching;
  }
};

int xdotool(const std::string& args) {
  return std::system(("xdotool search --name '" + ownTitle() + "' " + args).c_str());
}

TEST_F(WindowMessagesTest, KeysArriveAsVirtualKeyCodes) {
  ASSERT_EQ(xdotool("windowfocus --sync key --delay 20 Up Down Left Right Escape space a F"), 0);
  std::vector<WindowMessage> downs = waitFor(WindowMessageType::KeyDown, 8);
  std::vector<WindowMessage> ups = waitFor(WindowMessageType::KeyUp, 8);
  std::vector<std::uint32_t> downCodes, upCodes;
  for (const WindowMessage& m : downs) downCodes.push_back(m.wparam);
  for (const WindowMessage& m : ups) upCodes.push_back(m.wparam);
  const std::vector<std::uint32_t> expected{38, 40, 37, 39, 27, 32, 65, 70};
  EXPECT_EQ(downCodes, expected);
  EXPECT_EQ(upCodes, expected);
}

TEST_F(WindowMessagesTest, LeftButtonPressAndReleaseInTheDrawingArea) {
  ASSERT_EQ(xdotool("windowfocus --sync mousemove --window %1 300 300 click 1"), 0);
  std::vector<WindowMessage> downs = waitFor(WindowMessageType::LeftButtonDown, 1);
  std::vector<WindowMessage> ups = waitFor(WindowMessageType::LeftButtonUp, 1);
  ASSERT_EQ(downs.size(), 1u);
  ASSERT_EQ(ups.size(), 1u);
  // The drawing area lies under the menu bar, so its y is smaller.
  EXPECT_EQ(downs[0].width, 300);
  EXPECT_GT(downs[0].height, 250);
  EXPECT_LE(downs[0].height, 300);
}

TEST_F(WindowMessagesTest, ResizingTheWindowReportsTheDrawingAreaSize) {
  ASSERT_EQ(xdotool("windowsize --sync %1 700 500"), 0);
  std::vector<WindowMessage> sizes = waitFor(WindowMessageType::Size, 1);
  ASSERT_FALSE(sizes.empty());
  ViewSize area = glAreaClientSize();
  EXPECT_EQ(sizes.back().width, area.width);
  EXPECT_EQ(sizes.back().height, area.height);
  EXPECT_EQ(area.width, 700);
  EXPECT_LE(area.height, 500);  // the menu bar takes its share
  EXPECT_GT(area.height, 400);
}

}  // namespace
