// A request to end the program (SIGTERM at logout, SIGHUP when its terminal goes) closes the
// window as its close button does: the settings are saved and, with "watch Folder" on and a
// password entered, the codec folder is coded before the program ends. The window runs in a
// child process, offscreen, and gets the signal there. So it does in a session whose message
// bus takes the connection and never answers, where the lock emblem of the coded file is given
// up after a short wait.
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "app/MVApplication.h"
#include "app/MVWindow.h"
#include "platform/gui/CheckBox.h"
#include "platform/gui/TextControl.h"
#include "settings/Settings.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/platform/TempHome.h"
#include "tests/ui/GuiTestSupport.h"
#include "ui/CodeView.h"

namespace {

using SignalCloseTest = TempHomeTest;

// A session bus that takes connections and never answers (a stopped bus daemon): a socket at
// `path` that is listened on and never read; its descriptor.
int HungBus(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return -1;
  path.copy(address.sun_path, path.size());
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                  listen(fd, 8) != 0)) {
    close(fd);
    fd = -1;
  }
  return fd;
}

// In the child: the window with a password entered and "watch Folder" on over `folder`; a byte
// on `ready` once it waits in its event loop. Never returns.
[[noreturn]] void RunWindow(const std::string& folder, int ready) {
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, STDOUT_FILENO);
  int argc = 1;
  char name[] = "murvel";
  char* argv[] = {name, nullptr};
  {
    MVApplication app(argc, argv);
    MVWindow* window = app.MainWindow();
    std::snprintf(path2scan, sizeof path2scan, "%s", folder.c_str());
    plat::TextControl* entry = window->Views().cview->PassControl();
    entry->MakeFocus(true);
    TypeText(entry, "Secret7");
    PressKey(entry, Qt::Key_Return);
    window->Views().wBut->click();
    DeliverPosted();
    (void)!write(ready, "r", 1);
    app.Run();
  }
  _exit(0);
}

TEST_F(SignalCloseTest, TermAndHangUpCloseTheWindowAsClosingDoes) {
  const std::string busPath = root_ + "/bus";
  const int bus = HungBus(busPath);
  ASSERT_GE(bus, 0);
  const struct {
    int sig;
    bool hungBus;
  } runs[] = {{SIGTERM, false}, {SIGHUP, false}, {SIGTERM, true}};
  for (const auto& run : runs) {
    const int sig = run.sig;
    SCOPED_TRACE(std::string(strsignal(sig)) + (run.hungBus ? ", hung bus" : ""));
    const std::string folder = root_ + "/codec-" + std::to_string(&run - runs);
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    WriteFileBytes(folder + "/plain.txt", RandomBytes(4000, 3));
    const std::string settings = config_ + "/_KR_x-vnd.Telva/murvel_settings";
    unlink(settings.c_str());

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (run.hungBus)
        setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + busPath).c_str(), 1);
      else
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
      RunWindow(folder, ready[1]);
    }
    close(ready[1]);
    pollfd waiting{ready[0], POLLIN, 0};
    char byte;
    const bool started = poll(&waiting, 1, 60000) == 1 && read(ready[0], &byte, 1) == 1;
    close(ready[0]);
    EXPECT_TRUE(started);
    kill(child, sig);
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 600 && ended == 0; ++i) {
      ended = waitpid(child, &status, WNOHANG);
      if (ended == 0) usleep(100000);
    }
    if (ended == 0) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      ADD_FAILURE() << "the window did not close";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    // Saved at closing: the watch flag, which the first start had written as 0.
    const std::string saved = ReadFile(settings);
    ASSERT_EQ(saved.size(), 13u);
    EXPECT_EQ(saved[12], 1);
    EXPECT_TRUE(GetXattr(folder + "/plain.txt", "PrivCodec").has_value());
  }
  close(bus);
}

}  // namespace
