#include "platform/gui/Application.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/gui/LocalPath.h"
#include "platform/gui/MessageEvent.h"
#include "platform/gui/Window.h"

namespace plat {
namespace {

Application* gApplication = nullptr;

bool gExplicitPlatform = false;

// What Qt says while the application object is being made: held back, so that a start without
// a display says one line, and passed on once the object stands.
struct HeldMessage {
  QtMsgType type;
  std::string file, function, category;
  int line;
  QString text;
};
std::vector<HeldMessage> gHeld;
QtMessageHandler gFormerHandler = nullptr;

// Qt ends the program with qFatal when no platform plugin can start; that end becomes the line
// and status of kNoDisplayExit. Any other message waits.
void WhileStarting(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", NoDisplayLine().c_str());
    std::_Exit(kNoDisplayExit);
  }
  gHeld.push_back({type, context.file ? context.file : "", context.function ? context.function : "",
                   context.category ? context.category : "", context.line, text});
}

void PassHeldMessagesOn() {
  qInstallMessageHandler(gFormerHandler);
  for (const HeldMessage& m : gHeld) {
    QMessageLogger logger(m.file.c_str(), m.line, m.function.c_str(), m.category.c_str());
    const QByteArray text = m.text.toLocal8Bit();
    switch (m.type) {
      case QtDebugMsg:
        logger.debug("%s", text.constData());
        break;
      case QtInfoMsg:
        logger.info("%s", text.constData());
        break;
      case QtWarningMsg:
        logger.warning("%s", text.constData());
        break;
      default:
        logger.critical("%s", text.constData());
        break;
    }
  }
  gHeld.clear();
}

// Wayland gives programs no say over where their windows go, so the stored window position could
// never be applied there; where an X server is at hand as well (XWayland), use it. Qt tries the
// platforms of the list in turn, so a display that cannot be reached (an X server gone, no
// compositor) leaves the other one instead of ending the program. An explicit QT_QPA_PLATFORM
// wins. With neither, the start ends with the one line of NoDisplayLine().
int& PrepareStart(int& argc) {
  gExplicitPlatform = std::getenv("QT_QPA_PLATFORM") != nullptr;
  if (!gExplicitPlatform) {
    if (std::getenv("DISPLAY"))
      setenv("QT_QPA_PLATFORM", "xcb;wayland", 0);
    else if (std::getenv("WAYLAND_DISPLAY"))
      setenv("QT_QPA_PLATFORM", "wayland;xcb", 0);
  }
  gFormerHandler = qInstallMessageHandler(WhileStarting);
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

std::string NoDisplayLine() {
  std::string line = "murvel: no display for the window: ";
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (gExplicitPlatform && platform)
    return line + "the platform QT_QPA_PLATFORM=" + platform + " cannot start";
  const char* x = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  line += x && *x ? std::string("no X server answers at DISPLAY=") + x
                  : std::string("DISPLAY is not set (no X server)");
  line += wayland && *wayland
              ? std::string(", and no Wayland compositor answers at WAYLAND_DISPLAY=") + wayland
              : std::string(", and WAYLAND_DISPLAY is not set (no Wayland compositor)");
  return line;
}

Application::Application(int& argc, char** argv, const char* signature)
    : QApplication(PrepareStart(argc), argv), signature_(signature) {
  PassHeldMessagesOn();
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
