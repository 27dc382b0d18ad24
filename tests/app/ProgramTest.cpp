// The window's program itself, run as a shell or a desktop runs it, with its standard output
// going into a pipe.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/platform/TempHome.h"

namespace {

// Starts the program and reads its standard output until `until` has come (or the output ends,
// or half a minute passes without output), then ends the program. Returns what it printed.
std::string OutputUntil(const std::string& until) {
  int fds[2];
  if (pipe(fds) != 0) return "";
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    execl(MURVEL_PATH, MURVEL_PATH, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string out;
  pollfd readable = {fds[0], POLLIN, 0};
  char buffer[4096];
  ssize_t n = 0;
  while (out.find(until) == std::string::npos && poll(&readable, 1, 30000) > 0 &&
         (n = read(fds[0], buffer, sizeof buffer)) > 0)
    out.append(buffer, size_t(n));
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  close(fds[0]);
  return out;
}

using ProgramTest = TempHomeTest;

}  // namespace

// The window's line comes while the program still runs: standard output is line-buffered even
// into a pipe, and the start-up lines keep their order (set-up, settings, window).
TEST_F(ProgramTest, StartUpLinesComeAtOnceAndInOrderThroughAPipe) {
  const std::string out = OutputUntil("xB.Width()=118.00\n");
  const size_t done = out.find("->done\n");
  const size_t written = out.find("Settings geschrieben..\n");
  const size_t window = out.find("xB.Width()=118.00\n");
  ASSERT_NE(window, std::string::npos) << out;
  EXPECT_LT(done, written) << out;
  EXPECT_LT(written, window) << out;
}
