// The station window on a real display: its drawing area, context, title,
// icon, projection and the fixed render state.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "gui/message_box.h"
#include "gui/station_window.h"
#include "gui/window_faults.h"
#include "tests/support/poll_until.h"

namespace {

constexpr const char* kTitle = "Controlador TORVA version 1.0";

// Tests run side by side on one display: find this process's window by a
// title no other process uses.
std::string ownTitle() {
  return std::string(kTitle) + " " + std::to_string(getpid());
}

std::string runCommand(const std::string& command) {
  std::string out;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    pclose(pipe);
  }
  return out;
}

std::array<float, 16> matrix(GLenum which) {
  std::array<float, 16> m{};
  glGetFloatv(which, m.data());
  return m;
}

// Column-major perspective with a 45 degree vertical field, near 0.1, far 100.
std::array<float, 16> perspective(double aspect) {
  const double f = 1.0 / std::tan(45.0 / 2 * M_PI / 180);
  const double n = 0.1, fa = 100.0;
  std::array<float, 16> m{};
  m[0] = static_cast<float>(f / aspect);
  m[5] = static_cast<float>(f);
  m[10] = static_cast<float>((fa + n) / (n - fa));
  m[11] = -1;
  m[14] = static_cast<float>(2 * fa * n / (n - fa));
  return m;
}

void expectMatrixNear(const std::array<float, 16>& got, const std::array<float, 16>& want) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], want[i], 1e-5 * (1 + std::fabs(want[i]))) << i;
}

class StationWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clearWindowFaults();
    setRenderResources({});
    setMessageBoxSink([this](const MessageBoxRecord& box) { boxes.push_back(box); });
  }
  void TearDown() override {
    destroyStationWindow();
    setMessageBoxSink({});
    clearWindowFaults();
  }
  std::vector<MessageBoxRecord> boxes;
};

TEST_F(StationWindowTest, OpensTitledWindowWithCompatibilityContextAndDrawingAreaOfAskedSize) {
  ASSERT_TRUE(createStationWindow(ownTitle().c_str(), 600, 450, 8));
  EXPECT_EQ(std::string(stationWindowTitle()), ownTitle());
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(stationWindowOpen());
  ViewSize area = glAreaClientSize();
  EXPECT_EQ(area.width, 600);
  EXPECT_EQ(area.height, 450);

  WindowCensus census = stationWindowCensus();
  EXPECT_TRUE(census.contextCurrent);
  GLint depthBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  EXPECT_GE(depthBits, 16);
  GLboolean doubleBuffer = GL_FALSE;
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffer);
  EXPECT_TRUE(doubleBuffer);

  // Fixed-function drawing works and reaches the back buffer.
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor3f(0, 1, 0);
  glBegin(GL_QUADS);
  glVertex2f(-1, -1);
  glVertex2f(1, -1);
  glVertex2f(1, 1);
  glVertex2f(-1, 1);
  glEnd();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  std::array<unsigned char, 3> pixel{};
  glReadBuffer(GL_BACK);
  glReadPixels(599, 449, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel.data());
  EXPECT_EQ(pixel, (std::array<unsigned char, 3>{0, 255, 0}));
  swapStationBuffers();
  EXPECT_TRUE(stationWindowCensus().contextCurrent);

  // The window system sees the title and the icon.
  std::string found;
  ASSERT_TRUE(pollUntil(
      [&] {
        processPendingEvents();
        found = runCommand("xdotool search --name '" + ownTitle() + "' 2>/dev/null");
        return !found.empty();
      },
      std::chrono::seconds(5), std::chrono::milliseconds(20)));
  std::string id = found.substr(0, found.find('\n'));
  std::string icon = runCommand("xprop -id " + id + " _NET_WM_ICON");
  EXPECT_NE(icon.find("Icon ("), std::string::npos) << icon;
}

TEST_F(StationWindowTest, ProjectionFollowsTheDrawingArea) {
  ASSERT_TRUE(createStationWindow(kTitle, 600, 450, 8));
  std::array<GLint, 4> viewport{};
  glGetIntegerv(GL_VIEWPORT, viewport.data());
  EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 600, 450}));
  expectMatrixNear(matrix(GL_PROJECTION_MATRIX), perspective(600.0 / 450.0));

  struct Case {
    int width, height;
    std::array<GLint, 4> viewport;
    double aspect;
  };
  const Case cases[] = {
      {800, 600, {0, 0, 800, 600}, 800.0 / 600.0},
      {300, 450, {0, 0, 300, 450}, 300.0 / 450.0},
      {600, 0, {0, 0, 600, 1}, 600.0},  // a collapsed area keeps a one-pixel height
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    resizeView(c.width, c.height);
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, c.viewport);
    expectMatrixNear(matrix(GL_PROJECTION_MATRIX), perspective(c.aspect));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    expectMatrixNear(matrix(GL_MODELVIEW_MATRIX), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
  }
}

TEST_F(StationWindowTest, RenderStateIsSetForTheDashboard) {
  ASSERT_TRUE(createStationWindow(kTitle, 600, 450, 8));
  auto vec4 = [](auto get, GLenum a, GLenum b) {
    std::array<float, 4> v{};
    get(a, b, v.data());
    return v;
  };
  using V = std::array<float, 4>;
  for (GLenum face : {GL_FRONT, GL_BACK}) {
    EXPECT_EQ(vec4(glGetMaterialfv, face, GL_SPECULAR), (V{0.3f, 0.3f, 0.3f, 1.0f}));
    float shininess = 0;
    glGetMaterialfv(face, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 100.0f);
  }
  GLint value = 0;
  glGetIntegerv(GL_COLOR_MATERIAL_FACE, &value);
  EXPECT_EQ(value, GL_FRONT_AND_BACK);
  glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &value);
  EXPECT_EQ(value, GL_AMBIENT_AND_DIFFUSE);

  EXPECT_EQ(vec4(glGetLightfv, GL_LIGHT0, GL_AMBIENT), (V{0.3f, 0.3f, 0.3f, 1.0f}));
  EXPECT_EQ(vec4(glGetLightfv, GL_LIGHT0, GL_POSITION), (V{2.0f, 2.0f, 3.0f, 0.0f}));
  EXPECT_EQ(vec4(glGetLightfv, GL_LIGHT0, GL_DIFFUSE), (V{1, 1, 1, 1}));
  EXPECT_EQ(vec4(glGetLightfv, GL_LIGHT0, GL_SPECULAR), (V{1, 1, 1, 1}));

  for (GLenum cap : {GL_LIGHTING, GL_LIGHT0, GL_DEPTH_TEST, GL_TEXTURE_2D, GL_COLOR_MATERIAL}) {
    EXPECT_TRUE(glIsEnabled(cap)) << cap;
  }
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  glGetIntegerv(GL_SHADE_MODEL, &value);
  EXPECT_EQ(value, GL_SMOOTH);
  glGetIntegerv(GL_BLEND_SRC, &value);
  EXPECT_EQ(value, GL_SRC_ALPHA);
  glGetIntegerv(GL_BLEND_DST, &value);
  EXPECT_EQ(value, GL_ONE);
  V clear{};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
  EXPECT_EQ(clear, (V{0, 0, 0, 1}));
  V colour{};
  glGetFloatv(GL_CURRENT_COLOR, colour.data());
  EXPECT_EQ(colour, (V{1, 1, 1, 0.5f}));
  glGetIntegerv(GL_DEPTH_FUNC, &value);
  EXPECT_EQ(value, GL_LESS);
}

// The render resources are loaded with the context current and released
// while it still is.
bool resourcesLoadResult = true;
std::vector<std::string> resourceCalls;
bool recordLoad() {
  resourceCalls.push_back(stationWindowCensus().contextCurrent ? "load current" : "load");
  return resourcesLoadResult;
}
void recordRelease() {
  resourceCalls.push_back(stationWindowCensus().contextCurrent ? "release current" : "release");
}

TEST_F(StationWindowTest, RenderResourcesLiveWithTheContext) {
  setRenderResources({recordLoad, recordRelease});
  resourceCalls.clear();
  resourcesLoadResult = true;
  ASSERT_TRUE(createStationWindow(kTitle, 600, 450, 8));
  destroyStationWindow();
  EXPECT_EQ(resourceCalls, (std::vector<std::string>{"load current", "release current"}));
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(stationWindowCensus().toolkitWindows, 0);
  EXPECT_FALSE(stationWindowCensus().contextCurrent);

  // Resources that cannot be loaded fail the creation after releasing all.
  resourceCalls.clear();
  resourcesLoadResult = false;
  EXPECT_FALSE(createStationWindow(kTitle, 600, 450, 8));
  EXPECT_EQ(resourceCalls, (std::vector<std::string>{"load current", "release current"}));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "ERROR");
  EXPECT_EQ(boxes[0].text, "Fallo en la inicializacion.");
  EXPECT_EQ(stationWindowCensus().toolkitWindows, 0);
  EXPECT_FALSE(stationWindowOpen());
}

TEST(StationWindowWithoutDisplay, SaysWhichDisplayIsMissingThenFails) {
  struct Case {
    const char* env;
    const char* line;
  };
  const Case cases[] = {
      {"-u DISPLAY", "No hay pantalla: la variable DISPLAY no esta definida"},
      {"DISPLAY=:4999", "No se pudo abrir la pantalla DISPLAY=:4999"},
  };
  // Each line also says what to do on a machine without a desktop.
  const std::string whatToDo =
      "; sin escritorio, 'xvfb-run -a scripts/run' muestra la demo en una pantalla virtual";
  for (const Case& c : cases) {
    const std::string out =
        runCommand(std::string("env -u WAYLAND_DISPLAY ") + c.env +
                   " " TORVA_BINARY_DIR "/tests/gui/open_station_window 2>&1; echo status=$?");
    EXPECT_EQ(out, c.line + whatToDo + "\nERROR: Fallo al registrar la Windows Class.\nstatus=1\n");
  }
}

}  // namespace
