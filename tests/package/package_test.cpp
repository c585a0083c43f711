// The Debian package of this build, unpacked with dpkg -x into a scratch root
// as an operator's laptop would hold it: the files in place, dependencies
// declared, and the programs starting from an empty folder.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/file_text.h"
#include "tests/support/poll_until.h"
#include "tests/support/private_display.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kTitle = "Controlador TORVA version 1.0";

// Makes the package once for every test here, and unpacks it.
class Package : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    made_ = std::make_unique<TempDir>();
    const std::string log = made_->file("cpack.log");
    const std::string command = std::string("'") + TORVA_CPACK + "' --config '" +
                                TORVA_CPACK_CONFIG + "' -B '" + made_->path().string() + "' >'" +
                                log + "' 2>&1";
    if (std::system(command.c_str()) != 0) {
      cpackLog_ = fileText(log);
      return;
    }
    for (const auto& entry : fs::directory_iterator(made_->path())) {
      if (entry.path().extension() == ".deb") deb_ = entry.path().string();
    }
    root_ = made_->file("root");
    std::system(("dpkg-deb -x '" + deb_ + "' '" + root_ + "'").c_str());
  }
  static void TearDownTestSuite() { made_.reset(); }
  void SetUp() override { ASSERT_FALSE(deb_.empty()) << "cpack made no package:\n" << cpackLog_; }

  static fs::path installed(const std::string& relative) { return fs::path(root_) / relative; }

  static inline std::unique_ptr<TempDir> made_;
  static inline std::string deb_;
  static inline std::string root_;
  static inline std::string cpackLog_;
};

TEST_F(Package, HoldsTheProgramsPicturesAndDesktopEntryAndDeclaresItsLibraries) {
  for (const char* program : {"usr/bin/torva", "usr/bin/torva-sim", "usr/bin/torva-map",
                              "usr/bin/torva-laser", "usr/bin/torva-export"}) {
    const fs::perms p = fs::status(installed(program)).permissions();
    EXPECT_NE(p & fs::perms::others_exec, fs::perms::none) << program;
  }
  for (const char* picture : {"font.bmp", "mono.bmp"}) {
    EXPECT_EQ(fileText(installed(std::string("usr/share/torva/") + picture)),
              fileText(std::string(TORVA_SOURCE_DIR) + "/resources/" + picture))
        << picture;
  }
  const std::string entry = fileText(installed("usr/share/applications/torva.desktop"));
  for (const char* line : {"[Desktop Entry]\n", "\nType=Application\n", "\nExec=torva\n",
                           "\nIcon=torva\n", "\nTerminal=true\n"}) {
    EXPECT_NE(entry.find(line), std::string::npos) << line << " in\n" << entry;
  }
  EXPECT_EQ(fileText(installed("usr/share/pixmaps/torva.xpm")).rfind("/* XPM */", 0), 0u);

  // Read from the binaries by dpkg-shlibdeps: the toolkit, the GL libraries
  // and the gamepad's SDL.
  const std::string depends = commandOutput("dpkg-deb -f '" + deb_ + "' Depends");
  for (const char* library : {"libqt6widgets6", "libqt6gui6", "libglut", "libsdl2", "libc6"}) {
    EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
  }
}

TEST_F(Package, SimulatorAndToolsAnswerHelpFromTheScratchRoot) {
  for (const char* program : {"torva-sim", "torva-map", "torva-laser", "torva-export"}) {
    TempDir empty;
    ChildProcess tool;
    ASSERT_TRUE(tool.start({installed(std::string("usr/bin/") + program).string(), "--help"},
                           empty.path().string()));
    EXPECT_EQ(tool.wait(10s), 0) << tool.output();
    EXPECT_EQ(tool.output().rfind(std::string("uso: ") + program + " ", 0), 0u) << tool.output();
  }
}

// The station from an empty folder finds its font and emblem in the package's
// share/torva: with either one it starts (no "ERROR" box about its
// initialisation, no "Error" box about a picture) and ends on SIGTERM with
// 128 + 15; with neither, its start fails.
TEST_F(Package, StationStartsFromAnEmptyFolderWithThePicturesOfTheSharedFolder) {
  PrivateDisplay display;
  ASSERT_TRUE(display.start()) << "needs Xvfb (scripts/setup installs it)";
  const fs::path share = installed("usr/share/torva");
  const fs::path aside = fs::path(root_) / "aside";
  fs::create_directories(aside);
  struct Case {
    std::vector<const char*> pictures;  // what share/torva holds
    bool starts;
  };
  const Case cases[] = {
      {{"font.bmp", "mono.bmp"}, true}, {{"font.bmp"}, true}, {{"mono.bmp"}, true}, {{}, false}};
  for (const Case& c : cases) {
    std::string held;
    for (const char* name : {"font.bmp", "mono.bmp"}) {
      if (fs::exists(share / name)) fs::rename(share / name, aside / name);
    }
    for (const char* name : c.pictures) {
      fs::rename(aside / name, share / name);
      held += std::string(name) + " ";
    }
    SCOPED_TRACE("share/torva holds: " + held);
    TempDir empty;
    ChildProcess station;
    ASSERT_TRUE(station.start({installed("usr/bin/torva").string()}, empty.path().string(),
                              {"DISPLAY=" + display.name(), "TORVA_COM2=" + empty.file("no-gps")},
                              true));
    if (c.starts) {
      EXPECT_NE(display.waitForWindow(kTitle, 30s), 0u) << station.output();
      // The console's title comes once the window and its textures are made.
      EXPECT_TRUE(station.waitFor("\x1b]0;Estado de comunicaciones\x07", 20s)) << station.output();
      EXPECT_EQ(display.shownWindowNamed("ERROR"), 0u);
      EXPECT_EQ(display.shownWindowNamed("Error"), 0u);
      station.signal(SIGTERM);
      EXPECT_EQ(station.wait(10s), 128 + SIGTERM) << station.output();
    } else {
      EXPECT_NE(display.waitForWindow("ERROR", 30s), 0u) << "the initialisation fails";
      // No station window stays shown beside its error (the X server may take
      // a moment to drop the windows of the station that came before).
      EXPECT_TRUE(pollUntil([&] { return display.shownWindowNamed(kTitle) == 0; }, 10s));
    }
  }
}

}  // namespace
