#include "platform/gui/Application.h"

#include <cstdlib>

#include "platform/gui/LocalPath.h"
#include "platform/gui/MessageEvent.h"
#include "platform/gui/Window.h"

namespace plat {
namespace {

Application* gApplication = nullptr;

// Wayland gives programs no say over where their windows go, so the stored window position could
// never be applied there; where an X server is at hand as well (XWayland), use it. Qt tries the
// platforms of the list in turn, so a display that cannot be reached (an X server gone, no
// compositor) leaves the other one instead of ending the program. An explicit QT_QPA_PLATFORM
// wins.
int& PreferPlaceableWindows(int& argc) {
  if (!std::getenv("QT_QPA_PLATFORM")) {
    if (std::getenv("DISPLAY"))
      setenv("QT_QPA_PLATFORM", "xcb;wayland", 0);
    else if (std::getenv("WAYLAND_DISPLAY"))
      setenv("QT_QPA_PLATFORM", "wayland;xcb", 0);
  }
  return argc;
}

// The desktop entry's name: the signature without its "application/" part.
QString DesktopName(const std::string& signature) {
  std::string name = signature;
  size_t slash = name.find('/');
  if (slash != std::string::npos) name = name.substr(slash + 1);
  return QString::fromStdString(name);
}

}  // namespace

Application::Application(int& argc, char** argv, const char* signature)
    : QApplication(PreferPlaceableWindows(argc), argv), signature_(signature) {
  gApplication = this;
  setApplicationName("murvel");
  setDesktopFileName(DesktopName(signature_));
  // The program ends when its window asks for it, not when Qt sees the last window go.
  setQuitOnLastWindowClosed(false);
  Message refs = ArgvRefs(argc, argv);
  if (!refs.IsEmpty()) PostMessage(refs);
}

Application::~Application() {
  for (QWidget* w : topLevelWidgets())
    if (dynamic_cast<Window*>(w)) delete w;
  if (gApplication == this) gApplication = nullptr;
}

Application* Application::Instance() {
  return gApplication;
}

int Application::Run() {
  return exec();
}

void Application::PostMessage(const Message& message) {
  QCoreApplication::postEvent(this, new MessageEvent(message, nullptr));
}

void Application::RefsReceived(Message*) {}

void Application::MessageReceived(Message*) {}

Message Application::ArgvRefs(int argc, char** argv) {
  Message refs(B_REFS_RECEIVED);
  for (int i = 1; i < argc; ++i) {
    std::string path = PathOfArgument(argv[i]);
    if (!path.empty()) refs.AddRef("refs", path);
  }
  return refs;
}

bool Application::event(QEvent* event) {
  if (event->type() != MessageEvent::EventType()) return QApplication::event(event);
  Message& message = static_cast<MessageEvent*>(event)->message();
  if (message.what == B_REFS_RECEIVED)
    RefsReceived(&message);
  else if (message.what == B_QUIT_REQUESTED)
    quit();
  else
    MessageReceived(&message);
  return true;
}

}  // namespace plat
