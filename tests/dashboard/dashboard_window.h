#pragma once
// A station window opened in a scratch folder holding the pictures a test
// chooses, with the dashboard's textures and font loaded, and helpers to read
// the drawn frame back.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dashboard/bmp_image.h"
#include "dashboard/textures.h"
#include "gui/message_box.h"
#include "gui/station_window.h"

class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/torva_run_XXXXXX";
    if (mkdtemp(pattern) != nullptr) path_ = pattern;
    char here[4096];
    if (getcwd(here, sizeof here) != nullptr) previous_ = here;
    if (!path_.empty() && chdir(path_.c_str()) != 0) path_.clear();
  }
  ~ScratchFolder() {
    if (!previous_.empty() && chdir(previous_.c_str()) != 0) return;
    if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Copies one of the station's pictures into the folder.
  void addResource(const char* name) {
    std::system(("cp '" TORVA_RESOURCES "/" + std::string(name) + "' .").c_str());
  }
  void addFile(const char* name, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(name, "wb");
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }

 private:
  std::string path_;
  std::string previous_;
};

struct Frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // bottom row first

  const std::uint8_t* at(int x, int y) const {
    return &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
  }
  bool lit(int x, int y) const {
    const std::uint8_t* p = at(x, y);
    return p[0] + p[1] + p[2] > 0;
  }
  int litCount() const {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) n += lit(x, y);
    return n;
  }
  bool operator==(const Frame&) const = default;
};

inline Frame readFrame() {
  ViewSize size = glAreaClientSize();
  Frame frame{size.width, size.height, {}};
  frame.rgb.resize(static_cast<std::size_t>(size.width) * size.height * 3);
  glFinish();
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, size.width, size.height, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
  return frame;
}

inline void clearFrame() {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

class DashboardWindowTest : public ::testing::Test {
 protected:
  // Opens the window with the pictures present in the folder.
  bool open(int width = 1200, int height = 900) {
    useDashboardRenderResources();
    setMessageBoxSink([this](const MessageBoxRecord& box) { boxes.push_back(box); });
    return createStationWindow("Controlador TORVA version 1.0", width, height, 8);
  }
  void TearDown() override {
    destroyStationWindow();
    setMessageBoxSink({});
  }
  ScratchFolder folder;
  std::vector<MessageBoxRecord> boxes;
};
