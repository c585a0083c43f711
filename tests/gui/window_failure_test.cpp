// Every creation and tear-down step of the station window failing: the text
// shown, and what is left alive when it is shown and afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/message_box.h"
#include "gui/station_window.h"
#include "gui/window_faults.h"

namespace {

struct ShownBox {
  MessageBoxRecord box;
  WindowCensus census;  // as it was when the box was shown
};

class WindowFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clearWindowFaults();
    setRenderResources({});
    setMessageBoxSink([this](const MessageBoxRecord& box) {
      shown.push_back(ShownBox{box, stationWindowCensus()});
    });
  }
  void TearDown() override {
    clearWindowFaults();
    destroyStationWindow();
    setMessageBoxSink({});
  }
  std::vector<ShownBox> shown;
};

struct CreationCase {
  WindowStep step;
  const char* text;
};

const CreationCase kCreationCases[] = {
    {WindowStep::RegisterClass, "Fallo al registrar la Windows Class."},
    {WindowStep::CreateWindow, "Error en la creacion de la ventana."},
    {WindowStep::DeviceContext, "No puede crear un GL Device Context."},
    {WindowStep::ChoosePixelFormat, "No puede encontrar un Formato de pixel Suitable."},
    {WindowStep::SetPixelFormat, "No se puede setear el Formato de Pixel."},
    {WindowStep::CreateContext, "No se puede crear un GL Rendering Context."},
    {WindowStep::MakeCurrent, "No se puede activar el GL Rendering Context."},
    {WindowStep::InitRenderState, "Fallo en la inicializacion."},
};

TEST_F(WindowFailureTest, EachCreationStepShowsItsTextAfterReleasingWhatWasMade) {
  for (const CreationCase& c : kCreationCases) {
    SCOPED_TRACE(c.text);
    shown.clear();
    injectWindowFaults({c.step});
    EXPECT_FALSE(createStationWindow("Controlador TORVA version 1.0", 600, 450, 8));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].box.caption, "ERROR");
    EXPECT_EQ(shown[0].box.text, c.text);
    EXPECT_EQ(shown[0].box.icon, MessageIcon::Warning);
    EXPECT_EQ(shown[0].census.toolkitWindows, 0);
    EXPECT_FALSE(shown[0].census.contextCurrent);
    EXPECT_FALSE(stationWindowOpen());

    // Nothing is left in the way of a window made afterwards.
    clearWindowFaults();
    shown.clear();
    EXPECT_TRUE(createStationWindow("Controlador TORVA version 1.0", 600, 450, 8));
    EXPECT_TRUE(shown.empty());
    destroyStationWindow();
  }
}

TEST_F(WindowFailureTest, ColourDepthThatNoFormatOffersIsRefused) {
  for (int bits : {0, -8, 64}) {
    shown.clear();
    EXPECT_FALSE(createStationWindow("Controlador TORVA version 1.0", 600, 450, bits));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].box.text, "No puede encontrar un Formato de pixel Suitable.");
    EXPECT_EQ(shown[0].census.toolkitWindows, 0);
  }
  for (int bits : {8, 16, 24, 32}) {
    EXPECT_TRUE(createStationWindow("Controlador TORVA version 1.0", 600, 450, bits)) << bits;
    destroyStationWindow();
  }
}

struct ShutdownCase {
  WindowStep step;
  const char* text;
};

const ShutdownCase kShutdownCases[] = {
    {WindowStep::ReleaseCurrent, "Release Of DC And RC Failed."},
    {WindowStep::DeleteContext, "Release Rendering Context Failed."},
    {WindowStep::ReleaseDeviceContext, "Release Device Context Failed."},
    {WindowStep::DestroyWindow, "Could Not Release hWnd."},
    {WindowStep::UnregisterClass, "No puede no registrar la clase."},
};

TEST_F(WindowFailureTest, TearDownReportsEachFailingStepAndGoesOn) {
  // One at a time, then all together: the later steps still run.
  for (const ShutdownCase& c : kShutdownCases) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(createStationWindow("Controlador TORVA version 1.0", 600, 450, 8));
    shown.clear();
    injectWindowFaults({c.step});
    destroyStationWindow();
    clearWindowFaults();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].box.caption, "ERROR DE APAGADO");
    EXPECT_EQ(shown[0].box.text, c.text);
    EXPECT_EQ(shown[0].box.icon, MessageIcon::Information);
    EXPECT_EQ(stationWindowCensus().toolkitWindows, 0);
    EXPECT_FALSE(stationWindowCensus().contextCurrent);
  }

  ASSERT_TRUE(createStationWindow("Controlador TORVA version 1.0", 600, 450, 8));
  shown.clear();
  injectWindowFaults({WindowStep::ReleaseCurrent, WindowStep::DeleteContext,
                      WindowStep::ReleaseDeviceContext, WindowStep::DestroyWindow,
                      WindowStep::UnregisterClass});
  destroyStationWindow();
  std::vector<std::string> texts;
  for (const ShownBox& s : shown) texts.push_back(s.box.text);
  std::vector<std::string> expected;
  for (const ShutdownCase& c : kShutdownCases) expected.push_back(c.text);
  EXPECT_EQ(texts, expected);
  EXPECT_EQ(stationWindowCensus().toolkitWindows, 0);
}

TEST_F(WindowFailureTest, CleanTearDownShowsNothing) {
  ASSERT_TRUE(createStationWindow("Controlador TORVA version 1.0", 600, 450, 8));
  destroyStationWindow();
  destroyStationWindow();  // nothing left to release
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(stationWindowCensus().toolkitWindows, 0);
}

}  // namespace
