// The window's program itself, run as a shell or a desktop runs it, with its standard output
// going into a pipe; and its command that takes back the desktop files.
#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>
#include <filesystem>

#include "tests/platform/TempHome.h"

using ProgramTest = TempHomeTest;

// The window's line comes while the program still runs: standard output is line-buffered even
// into a pipe, and the start-up lines keep their order (set-up, settings, window).
TEST_F(ProgramTest, StartUpLinesComeAtOnceAndInOrderThroughAPipe) {
  QProcess program;
  program.start(MURVEL_PATH, {});
  std::string out;
  while (out.find("xB.Width()=118.00\n") == std::string::npos && program.waitForReadyRead(30000))
    out += program.readAllStandardOutput().toStdString();
  program.kill();
  program.waitForFinished();
  const size_t done = out.find("->done\n");
  const size_t written = out.find("Settings geschrieben..\n");
  const size_t window = out.find("xB.Width()=118.00\n");
  ASSERT_NE(window, std::string::npos) << out;
  EXPECT_LT(done, written) << out;
  EXPECT_LT(written, window) << out;
}

// What a start of the window wrote into the user's folders, `murvel --remove-desktop-files`
// takes back, the type's icons too (the window and the command, which has none, write them
// alike), one line a file; the settings stay.
TEST_F(ProgramTest, RemoveDesktopFilesTakesBackWhatAStartWrote) {
  QProcess window;
  window.start(MURVEL_PATH, {});
  std::string out;
  while (out.find("xB.Width()=118.00\n") == std::string::npos && window.waitForReadyRead(30000))
    out += window.readAllStandardOutput().toStdString();
  window.terminate();
  ASSERT_TRUE(window.waitForFinished(60000));
  auto written = [this] {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(data_)) {
      const std::string path = entry.path().string().substr(data_.size() + 1);
      // The caches are the tools'; murvel/ is the codec folder.
      const bool cache = (path.rfind("mime/", 0) == 0 && path.rfind("mime/packages/", 0) != 0) ||
                         path == "applications/mimeinfo.cache";
      if (entry.is_regular_file() && !cache && path.rfind("murvel/", 0) != 0) files.push_back(path);
    }
    return files;
  };
  ASSERT_EQ(written().size(), 9u) << out;

  QProcess command;
  command.start(MURVEL_PATH, {"--remove-desktop-files"});
  ASSERT_TRUE(command.waitForFinished(60000));
  const std::string said = command.readAllStandardOutput().toStdString();
  EXPECT_EQ(command.exitCode(), 0) << said;
  EXPECT_EQ(written(), std::vector<std::string>{}) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 11) << said;  // and uca.xml, mimeapps.list
  EXPECT_EQ(ReadFile(config_ + "/_KR_x-vnd.Telva/murvel_settings").size(), 13u);
}
