// A request to end the program (SIGTERM at logout, SIGHUP when its terminal goes) closes the
// window as its close button does: the settings are saved and, with "watch Folder" on and a
// password entered, the codec folder is coded before the program ends. The window runs in a
// child process, offscreen, and gets the signal there.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
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
  for (int sig : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    const std::string folder = root_ + "/codec-" + std::to_string(sig);
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    WriteFileBytes(folder + "/plain.txt", RandomBytes(4000, 3));
    const std::string settings = config_ + "/_KR_x-vnd.Telva/murvel_settings";
    unlink(settings.c_str());

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) RunWindow(folder, ready[1]);
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
}

}  // namespace
