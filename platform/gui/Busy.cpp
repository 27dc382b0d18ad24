#include "platform/gui/Busy.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/MessageEvent.h"
#include "platform/gui/Window.h"

namespace plat {
namespace {

constexpr qint64 kPumpMs = 100;

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

// A message held back: where it was posted and what it said.
struct Held {
  QPointer<QObject> receiver;
  Message message;
  QPointer<QWidget> target;
  bool hadTarget;
};

class InputSwallower : public QObject {
 public:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (IsUserInput(type)) {
      event->ignore();  // a drag is refused, a key goes nowhere
      return true;
    }
    // The window manager's close button: the window stays; the user may close it afterwards.
    if (type == QEvent::Close && event->spontaneous() && dynamic_cast<Window*>(receiver)) {
      event->ignore();
      return true;
    }
    if (type == MessageEvent::EventType()) {
      auto* posted = static_cast<MessageEvent*>(event);
      held.push_back({receiver, posted->message(), posted->target(), posted->HadTarget()});
      return true;
    }
    return false;
  }

  std::vector<Held> held;
};

int gDepth = 0;
InputSwallower* gSwallower = nullptr;
QElapsedTimer gLastPump;

void ProcessPending() {
  // Socket notifiers (the signal bridge among them) wait for the event loop proper.
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::ExcludeSocketNotifiers);
}

}  // namespace

Busy::Busy() {
  if (gDepth++ > 0 || !QCoreApplication::instance()) return;
  gSwallower = new InputSwallower;
  QCoreApplication::instance()->installEventFilter(gSwallower);
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  gLastPump.invalidate();
}

Busy::~Busy() {
  if (--gDepth > 0 || !gSwallower) return;
  // What came since the last pump is swallowed too, and the last state of the views painted.
  ProcessPending();
  QCoreApplication::instance()->removeEventFilter(gSwallower);
  QGuiApplication::restoreOverrideCursor();
  std::vector<Held> held = std::move(gSwallower->held);
  delete gSwallower;
  gSwallower = nullptr;
  for (const Held& h : held) {
    if (!h.receiver) continue;
    if (h.hadTarget && !h.target) continue;  // the view went away meanwhile
    QCoreApplication::postEvent(h.receiver, new MessageEvent(h.message, h.target));
  }
}

void Busy::Pump() {
  if (!gSwallower) return;
  if (gLastPump.isValid() && gLastPump.elapsed() < kPumpMs) return;
  ProcessPending();
  gLastPump.start();
}

bool Busy::Active() {
  return gSwallower != nullptr;
}

}  // namespace plat
