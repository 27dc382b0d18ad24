// The window's program itself, run as a shell or a desktop runs it, with its standard output
// going into a pipe.
#include <gtest/gtest.h>

#include <QProcess>

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
