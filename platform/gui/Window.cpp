#include "platform/gui/Window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QMoveEvent>

#include "platform/gui/MessageEvent.h"

namespace plat {

Window::Window(const Rect& frame, const char* title)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QString::fromUtf8(title));
  QRect r = frame.ToQRect();
  setGeometry(r);
  setFixedSize(r.size());
  setAcceptDrops(true);
}

void Window::AddChild(QWidget* child) {
  child->setParent(this);
  child->setVisible(true);
  children_.emplace_back(child);
}

QWidget* Window::ChildAt(int index) const {
  if (index < 0 || size_t(index) >= children_.size()) return nullptr;
  return children_[size_t(index)].data();
}

void Window::Show() {
  show();
  activateWindow();
}

void Window::PostMessage(const Message& message, QWidget* handler) {
  QCoreApplication::postEvent(this, new MessageEvent(message, handler));
}

void Window::DeliverDrop(Message message, const QPoint& point) {
  message.SetDropped(true);
  QWidget* under = childAt(point);
  QWidget* target = under ? HandlerWidgetFor(under) : nullptr;
  PostMessage(message, target == this ? nullptr : target);
}

void Window::UpdateIfNeeded() {
  repaint();
}

void Window::MessageReceived(Message*) {}

void Window::FrameMoved(QPoint) {}

bool Window::event(QEvent* event) {
  if (event->type() != MessageEvent::EventType()) return QWidget::event(event);
  auto* posted = static_cast<MessageEvent*>(event);
  // Asked to quit: the window closes as if its close button were clicked (once: a window that
  // is closed already stays so).
  if (posted->message().what == B_QUIT_REQUESTED && !posted->HadTarget()) {
    if (isVisible()) close();
    return true;
  }
  Handler* handler = this;
  if (posted->HadTarget()) {
    handler = HandlerFor(posted->target());
    if (!handler) return true;  // the view went away while the message waited
  }
  handler->MessageReceived(&posted->message());
  return true;
}

void Window::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  // A Wayland client is never told where its window is (Qt reports 0,0): no move to pass on.
  if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
    FrameMoved(geometry().topLeft());
}

void Window::closeEvent(QCloseEvent* event) {
  if (QuitRequested())
    event->accept();
  else
    event->ignore();
}

void Window::dragEnterEvent(QDragEnterEvent* event) {
  if (AcceptsMimeData(*event->mimeData())) event->acceptProposedAction();
}

void Window::dragMoveEvent(QDragMoveEvent* event) {
  if (AcceptsMimeData(*event->mimeData())) event->acceptProposedAction();
}

void Window::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  if (!AcceptsMimeData(*data)) return;
  event->acceptProposedAction();
  DeliverDrop(MessageFromMimeData(*data), event->position().toPoint());
}

}  // namespace plat
