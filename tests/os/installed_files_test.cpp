// Where the station finds the data files it ships: the run folder first, then
// share/torva beside the bin/ folder of the program, wherever that was unpacked.
#include "os/installed_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace {

TEST(InstalledFiles, TheRunFolderComesFirstThenTheInstalledShareFolder) {
  TempDir root;
  const std::string program = root.file("opt/x/bin/torva");
  const std::string share = root.file("opt/x/share/torva");
  std::filesystem::create_directories(share);
  std::filesystem::create_directories(root.file("run"));
  EXPECT_EQ(installedShareFolder(program), share);

  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(root.file("run"));
  struct Case {
    bool inRunFolder;
    bool installed;
    std::string found;
  };
  const Case cases[] = {
      {true, true, "font.bmp"},
      {true, false, "font.bmp"},
      {false, true, share + "/font.bmp"},
      {false, false, "font.bmp"},  // missing everywhere: the name, which will not open
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.inRunFolder) + std::to_string(c.installed));
    std::filesystem::remove("font.bmp");
    std::filesystem::remove(share + "/font.bmp");
    if (c.inRunFolder) root.write("run/font.bmp", "here");
    if (c.installed) root.write("opt/x/share/torva/font.bmp", "installed");
    EXPECT_EQ(stationDataFile("font.bmp", program), c.found);
  }
  // A folder of that name is not the file.
  std::filesystem::remove(share + "/font.bmp");
  std::filesystem::remove("font.bmp");
  std::filesystem::create_directory(share + "/font.bmp");
  EXPECT_EQ(stationDataFile("font.bmp", program), "font.bmp");
  std::filesystem::current_path(before);
}

}  // namespace
