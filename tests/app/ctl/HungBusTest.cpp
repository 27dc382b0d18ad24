// murvelctl in a session whose message bus takes the connection and never answers (a stopped
// bus daemon). GIO, asked for the lock emblem, would wait for that answer for ever; murvelctl
// gives the emblem up after a short wait, finishes its batch, and a stop request (a termination
// request, Ctrl-C) that comes while it waits still ends it after the files in hand.
#include <fcntl.h>
#include <glob.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "tests/engine/EngineTestSupport.h"

namespace {

class HungBusTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    // The bus: a socket that is listened on, whose connections are taken and never answered.
    busPath_ = Path("bus");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(busPath_.size(), sizeof address.sun_path);
    busPath_.copy(address.sun_path, busPath_.size());
    bus_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(bus_, 0);
    ASSERT_EQ(bind(bus_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(bus_, 8), 0);
  }
  void TearDown() override {
    for (int fd : taken_) close(fd);
    if (bus_ >= 0) close(bus_);
    EngineTest::TearDown();
  }

  // Starts `murvelctl VERB FILES...` with the password on its standard input and the bus above
  // as its session bus.
  pid_t Start(const char* verb, const std::vector<std::string>& files) {
    std::ofstream(Path(".in")) << "pw\n";
    const std::string address = "unix:path=" + busPath_;
    pid_t pid = fork();
    if (pid == 0) {
      int i = open(Path(".in").c_str(), O_RDONLY);
      int o = open(Path(".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int e = open(Path(".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (i < 0 || o < 0 || e < 0 || chdir(dir_.c_str()) != 0) _exit(126);
      dup2(i, 0);
      dup2(o, 1);
      dup2(e, 2);
      setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
      std::vector<char*> argv = {const_cast<char*>(MURVELCTL_PATH),
                                 const_cast<char*>("--password-stdin"), const_cast<char*>(verb)};
      for (const std::string& f : files) argv.push_back(const_cast<char*>(f.c_str()));
      argv.push_back(nullptr);
      execv(MURVELCTL_PATH, argv.data());
      _exit(127);
    }
    return pid;
  }
  // Whether murvelctl came to the bus (within half a minute); its connection is taken and kept.
  bool BusReached() {
    pollfd p{bus_, POLLIN, 0};
    if (poll(&p, 1, 30000) != 1) return false;
    int fd = accept4(bus_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) taken_.push_back(fd);
    return fd >= 0;
  }
  // How `pid` ended: its exit code, 128 + the signal that ended it, or -1 when it was still
  // running half a minute on (it is then killed).
  static int EndOf(pid_t pid) {
    int status = 0;
    for (int i = 0; i < 3000; ++i) {
      if (waitpid(pid, &status, WNOHANG) == pid)
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
  }
  std::string Text(const char* leaf) const {
    std::stringstream text;
    text << std::ifstream(Path(leaf)).rdbuf();
    return text.str();
  }
  bool HasRecord(const std::string& leaf) const {
    return GetXattr(Path(leaf), "PrivCodec").has_value();
  }

  std::string busPath_;
  int bus_ = -1;
  std::vector<int> taken_;
};

// GIO asks the bus for the emblem through GVfs's module only (package gvfs); without it the
// emblem is a local attribute that fails at once, and no bus is ever asked.
bool GvfsModuleInstalled() {
  glob_t found{};
  const bool any = glob("/usr/lib/*/gio/modules/libgvfsdbus.so", 0, nullptr, &found) == 0;
  globfree(&found);
  return any;
}

TEST_F(HungBusTest, EmblemHoldsUpNeitherTheBatchNorAStop) {
  if (!GvfsModuleInstalled()) GTEST_SKIP() << "GVfs's GIO module (gvfs) is not installed";
  const std::vector<std::string> files = {"a", "b", "c"};
  for (const std::string& f : files) MakeFile(f, Bytes(100, uint8_t(f[0])));

  const pid_t coding = Start("code", files);
  ASSERT_TRUE(BusReached()) << "murvelctl never asked for the emblem";
  EXPECT_EQ(EndOf(coding), 0) << Text(".err");
  EXPECT_EQ(Text(".out"), "coded: a\ncoded: b\ncoded: c\n");
  for (const std::string& f : files) EXPECT_TRUE(HasRecord(f)) << f;

  // Stopped while it waits for the emblem of its first file: the batch in hand is finished, and
  // the program ends by the signal's exit code.
  const struct {
    int signal;
    const char* verb;
    const char* line;
  } stops[] = {{SIGTERM, "decode", "decoded: "}, {SIGINT, "code", "coded: "}};
  for (const auto& stop : stops) {
    SCOPED_TRACE(stop.verb);
    const pid_t pid = Start(stop.verb, files);
    ASSERT_TRUE(BusReached()) << "murvelctl never asked for the emblem";
    kill(pid, stop.signal);
    EXPECT_EQ(EndOf(pid), 128 + stop.signal) << Text(".err");
    EXPECT_NE(Text(".err").find("stopping after the files in hand"), std::string::npos);
    std::string done;
    for (const std::string& f : files) done += stop.line + f + "\n";
    EXPECT_EQ(Text(".out"), done);
  }
  for (const std::string& f : files) EXPECT_TRUE(HasRecord(f)) << f;
}

}  // namespace
