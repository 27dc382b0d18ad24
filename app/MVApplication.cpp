#include "app/MVApplication.h"

#include <csignal>
#include <cstdio>

#include "app/MVWindow.h"
#include "platform/gui/CloseOnSignals.h"
#include "platform/gui/Message.h"
#include "settings/Settings.h"
#include "settings/TypeSetup.h"

namespace {

constexpr float kWindowWidth = 118;
constexpr float kWindowHeight = 190;

}  // namespace

MVApplication::MVApplication(int& argc, char** argv)
    : plat::Application(argc, argv, "application/x-vnd.Telva-Murvel") {
  CheckNeededDefs();
  bool loaded = Getsettings("murvel_settings");
  if (!loaded) {
    Setsettings("murvel_settings");
    std::printf("Settings geschrieben..\n");
    loaded = Getsettings("murvel_settings");
  }
  // A load turns WIN_W and WIN_H into the right and bottom edges; without one they are still the
  // width and height.
  plat::Rect frame(WIN_X, WIN_Y, WIN_W, WIN_H);
  if (!loaded) frame = plat::Rect(WIN_X, WIN_Y, WIN_X + kWindowWidth, WIN_Y + kWindowHeight);
  mainWindow_ = new MVWindow(frame);
  mainWindow_->Show();
  // A request to end (logout, `kill`, a closed terminal) closes the window as its close button
  // does: the settings are saved and the watch-folder pass runs.
  new plat::CloseOnSignals(mainWindow_, {SIGTERM, SIGHUP});
}

// The window goes with the application object (plat::Application deletes what windows remain).
MVApplication::~MVApplication() = default;

void MVApplication::RefsReceived(plat::Message* message) {
  std::string path;
  if (!message->FindRef("refs", 0, &path)) {
    std::printf("Was Das Denn ??\n");
    message->PrintToStream();
    return;
  }
  if (path.empty()) return;
  plat::Message forward(plat::B_SIMPLE_DATA);
  forward.AddRef("refs", path);
  // The window lives on the same (GUI) thread, so reading its first child needs no lock.
  QWidget* background = mainWindow_->ChildAt(0);
  mainWindow_->PostMessage(forward, background);
}
