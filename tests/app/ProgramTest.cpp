// The window's program itself, run as a shell or a desktop runs it, with its standard output
// going into a pipe: its lines in order, a request to end while it starts, a start without a
// display.
#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>
#include <csignal>
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

// A request to end that comes while the program is still starting (here: at its first line,
// while it sets up the desktop files, long before there is a window) closes the window as its
// close button does once the window stands: the settings are saved and the program ends with
// 0, not by the signal.
TEST_F(ProgramTest, TermWhileStartingClosesTheWindowCleanly) {
  QProcess program;
  program.start(MURVEL_PATH, {});
  ASSERT_TRUE(program.waitForReadyRead(60000));
  kill(pid_t(program.processId()), SIGTERM);
  ASSERT_TRUE(program.waitForFinished(60000));
  const std::string out = program.readAllStandardOutput().toStdString();
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << out;
  EXPECT_EQ(program.exitCode(), 0) << out;
  EXPECT_NE(out.find("xB.Width()=118.00\n"), std::string::npos) << out;
  EXPECT_EQ(ReadFile(config_ + "/_KR_x-vnd.Telva/murvel_settings").size(), 13u) << out;
}

// With no display at all the program says in one line what is missing and ends with status 2,
// where Qt would end it with an abort; an X server named that is not there is named.
TEST_F(ProgramTest, WithoutADisplayOneLineSaysWhatIsMissing) {
  const std::string head = "murvel: no display for the window: ";
  const std::string noWayland = ", and WAYLAND_DISPLAY is not set (no Wayland compositor)\n";
  const struct {
    const char* display;
    std::string line;
  } runs[] = {{nullptr, head + "DISPLAY is not set (no X server)" + noWayland},
              {":4093", head + "no X server answers at DISPLAY=:4093" + noWayland}};
  for (const auto& run : runs) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
      environment.remove(name);
    if (run.display) environment.insert("DISPLAY", run.display);
    // No compositor under the default name either.
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(root_));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(MURVEL_PATH, {});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_EQ(program.readAllStandardError().toStdString(), run.line);
    EXPECT_EQ(program.readAllStandardOutput().toStdString(), "");
  }
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
  ASSERT_EQ(written().size(), 18u) << out;

  QProcess command;
  command.start(MURVEL_PATH, {"--remove-desktop-files"});
  ASSERT_TRUE(command.waitForFinished(60000));
  const std::string said = command.readAllStandardOutput().toStdString();
  EXPECT_EQ(command.exitCode(), 0) << said;
  EXPECT_EQ(written(), std::vector<std::string>{}) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 20) << said;  // and uca.xml, mimeapps.list
  EXPECT_EQ(ReadFile(config_ + "/_KR_x-vnd.Telva/murvel_settings").size(), 13u);
}
