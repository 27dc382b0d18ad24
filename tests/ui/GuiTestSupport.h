#pragma once
// Test helpers for widgets: the one application object of the test program (made on first use,
// without command-line arguments, on the offscreen platform), a window that records the messages
// reaching it, and typing into a control.
#include <QCoreApplication>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/gui/Application.h"
#include "platform/gui/Message.h"
#include "platform/gui/Window.h"

inline plat::Application& TestApp() {
  static int argc = 1;
  static char name[] = "murvel-test";
  static char* argv[] = {name, nullptr};
  static plat::Application* app = new plat::Application(argc, argv, "application/x-test");
  return *app;
}

// Delivers every queued message, and the messages that their handlers queue in turn.
inline void DeliverPosted() {
  for (int round = 0; round < 3; ++round) QCoreApplication::sendPostedEvents();
}

class RecordingWindow : public plat::Window {
 public:
  explicit RecordingWindow(const plat::Rect& frame = plat::Rect(0, 0, 118, 190))
      : plat::Window(frame, "test") {}
  void MessageReceived(plat::Message* message) override { received.push_back(*message); }
  std::vector<plat::Message> received;
};

// Types `text` into `widget` key by key, as the user would.
inline void TypeText(QWidget* widget, const std::string& text) {
  for (char c : text) {
    QString s = QString(QChar(c));
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, s);
    QCoreApplication::sendEvent(widget, &press);
  }
}

// Drags `data` onto `window` at `point` (window coordinates) and drops it there, as Qt does: to
// the first widget at the point, or above it, that takes drops, and only when it took the entry.
inline void DragAndDrop(QWidget* window, const QMimeData& data, QPoint point) {
  QWidget* target = window->childAt(point);
  while (target && target != window && !target->acceptDrops()) target = target->parentWidget();
  if (!target) target = window;
  const QPoint at = target->mapFrom(window, point);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return;
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
}

inline void PressKey(QWidget* widget, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &press);
}

// Presses and releases the left mouse button at `point` (widget coordinates).
inline void ClickAt(QWidget* widget, QPoint point) {
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, QPointF(point), widget->mapToGlobal(QPointF(point)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
  }
}
