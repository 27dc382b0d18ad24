#include "app/MVApplication.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <csignal>
#include <cstdio>

#include "app/MVWindow.h"
#include "app/Translation.h"
#include "app/WindowPlacement.h"
#include "desktop/TypeSetup.h"
#include "platform/Program.h"
#include "platform/gui/CloseOnSignals.h"
#include "platform/gui/Message.h"
#include "settings/Settings.h"

namespace {

// The window's content area has one size; only its position is kept in the settings.
constexpr float kWindowWidth = 118;
constexpr float kWindowHeight = 190;

plat::Rect WindowFrame(const Settings& settings) {
  return plat::Rect(settings.WIN_X, settings.WIN_Y, settings.WIN_X + kWindowWidth,
                    settings.WIN_Y + kWindowHeight);
}

// The kept position, unless too little of the window would be on a screen there (a line says
// where it goes instead).
void KeepOnAScreen(Settings* settings) {
  std::vector<QRect> screens;
  for (const QScreen* screen : QGuiApplication::screens())
    screens.push_back(screen->availableGeometry());
  const QRect frame(int(std::lround(settings->WIN_X)), int(std::lround(settings->WIN_Y)),
                    int(kWindowWidth), int(kWindowHeight));
  const QPoint at = PlaceWindow(frame, screens);
  if (at == frame.topLeft()) return;
  std::printf("Window: (%d, %d) is off the screen; placed at (%d, %d)\n", frame.left(), frame.top(),
              at.x(), at.y());
  settings->WIN_X = float(at.x());
  settings->WIN_Y = float(at.y());
}

}  // namespace

MVApplication::MVApplication(int& argc, char** argv, bool seal)
    : plat::Application(argc, argv, plat::kProgramSignature) {
  InstallTextCatalog();
  CheckNeededDefs();
  // A first start writes the defaults and reads them back. When they cannot be written (no
  // settings folder, or something that is no file in the file's place, which is left alone) the
  // window starts with the defaults all the same.
  Settings settings;
  if (!Getsettings(kSettingsFileName, &settings) && Setsettings(kSettingsFileName, settings)) {
    std::printf("Settings geschrieben..\n");
    Getsettings(kSettingsFileName, &settings);
  }
  KeepOnAScreen(&settings);
  mainWindow_ = new MVWindow(WindowFrame(settings), settings);
  if (seal) mainWindow_->SetSealing(true, false);
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
