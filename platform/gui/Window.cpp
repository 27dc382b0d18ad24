#include "platform/gui/Window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMoveEvent>
#include <QUrl>

#include "platform/gui/Colors.h"
#include "platform/gui/LocalPath.h"
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

namespace {

bool HasLocalFile(const QMimeData& data) {
  for (const QUrl& url : data.urls())
    if (url.isLocalFile()) return true;
  return false;
}

}  // namespace

bool AcceptsMimeData(const QMimeData& data) {
  return HasLocalFile(data) || data.hasText() || data.hasColor();
}

Message MessageFromMimeData(const QMimeData& data) {
  Message message(B_SIMPLE_DATA);
  // File managers send the file names as text beside the URLs, colour pickers the colour's name
  // beside the colour: neither text is a colour text of its own.
  if (data.hasText() && !HasLocalFile(data) && !data.hasColor()) {
    QByteArray text = data.text().toUtf8();
    message.AddData("text/plain", B_MIME_TYPE, text.constData(), size_t(text.size()));
  }
  if (data.hasColor()) {
    QColor color = qvariant_cast<QColor>(data.colorData());
    if (color.isValid()) {
      rgb_color c = FromQColor(color);
      message.AddData("RGBColor", B_RGB_COLOR_TYPE, &c, sizeof c);
    }
  }
  for (const QUrl& url : data.urls())
    if (url.isLocalFile()) message.AddRef("refs", LocalPathOf(url));
  return message;
}

}  // namespace plat
