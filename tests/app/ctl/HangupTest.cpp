// murvelctl under nohup, or as a background job of a script: a signal that it was started with
// ignored stays ignored, and the batch goes on. A signal that was not ignored still stops the
// batch after the file in hand. The signal is sent while murvelctl is held stopped in the middle
// of its first, large file, so that it arrives between its set-up and the end of the batch.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/engine/EngineTestSupport.h"

namespace {

struct SignalledRun {
  bool stoppedInTime = false;
  int exitCode = -1;
  std::string err;
};

// The signals `pid` catches, from /proc/PID/status; 0 when it cannot be read.
unsigned long long CaughtSignals(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("SigCgt:", 0) == 0) return std::strtoull(line.c_str() + 7, nullptr, 16);
  return 0;
}

bool Catches(unsigned long long mask, int sig) {
  return (mask >> (sig - 1)) & 1;
}

class HangupTest : public EngineTest {
 protected:
  // Codes `files` with murvelctl, started with the signals `ignored` ignored; once it catches
  // SIGTERM (its stop handlers are in place) it is held stopped, sent `send`, and let go on.
  SignalledRun CodeWhileSignalled(const std::vector<std::string>& files,
                                  const std::vector<int>& ignored, const std::vector<int>& send) {
    const std::string in = Path(".in"), err = Path(".err");
    std::ofstream(in) << "pw\n";
    pid_t pid = fork();
    if (pid == 0) {
      int i = open(in.c_str(), O_RDONLY);
      int o = open("/dev/null", O_WRONLY);
      int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (i < 0 || o < 0 || e < 0 || chdir(dir_.c_str()) != 0) _exit(126);
      dup2(i, 0);
      dup2(o, 1);
      dup2(e, 2);
      setsid();
      for (int sig : ignored) signal(sig, SIG_IGN);
      std::vector<char*> argv = {const_cast<char*>(MURVELCTL_PATH),
                                 const_cast<char*>("--password-stdin"), const_cast<char*>("code")};
      for (const std::string& f : files) argv.push_back(const_cast<char*>(f.c_str()));
      argv.push_back(nullptr);
      execv(MURVELCTL_PATH, argv.data());
      _exit(127);
    }
    SignalledRun run;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (!Catches(CaughtSignals(pid), SIGTERM)) {
        usleep(100);  // a short look every 0.1 ms: the large file takes far longer
        continue;
      }
      kill(pid, SIGSTOP);
      if (waitpid(pid, &status, WUNTRACED) == pid && WIFSTOPPED(status)) {
        run.stoppedInTime = true;
        for (int sig : send) kill(pid, sig);
        kill(pid, SIGCONT);
        waitpid(pid, &status, 0);
      }
      break;
    }
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    std::stringstream text;
    text << std::ifstream(err).rdbuf();
    run.err = text.str();
    return run;
  }
  bool HasRecord(const std::string& leaf) const {
    return GetXattr(Path(leaf), "PrivCodec").has_value();
  }
  // A first file large enough that coding it outlasts the stop, and two small ones after it.
  std::vector<std::string> Batch() {
    // Sparse: made at once, yet a pass over it takes a good part of a second, which the polling
    // above catches even on a loaded machine.
    MakeFile("large", Bytes(10, 'l'));
    EXPECT_EQ(truncate(Path("large").c_str(), off_t(512) << 20), 0);
    MakeFile("b", Bytes(10, 'b'));
    MakeFile("c", Bytes(10, 'c'));
    return {"large", "b", "c"};
  }
};

TEST_F(HangupTest, InheritedIgnoreKeepsTheBatchGoing) {
  const SignalledRun run = CodeWhileSignalled(Batch(), {SIGHUP, SIGINT}, {SIGHUP, SIGINT});
  ASSERT_TRUE(run.stoppedInTime) << "murvelctl ended before it could be stopped";
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find("stopping"), std::string::npos) << run.err;
  for (const char* leaf : {"large", "b", "c"}) EXPECT_TRUE(HasRecord(leaf)) << leaf;
}

TEST_F(HangupTest, SignalNotIgnoredStopsAfterTheFileInHand) {
  const SignalledRun run = CodeWhileSignalled(Batch(), {SIGINT}, {SIGHUP});
  ASSERT_TRUE(run.stoppedInTime) << "murvelctl ended before it could be stopped";
  EXPECT_EQ(run.exitCode, 128 + SIGHUP);
  EXPECT_NE(run.err.find("stopping after the files in hand"), std::string::npos) << run.err;
  // Held before or during the first file: the ones after it are left as they are.
  EXPECT_FALSE(HasRecord("b"));
  EXPECT_FALSE(HasRecord("c"));
}

}  // namespace
