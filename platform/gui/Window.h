#pragma once
// A top-level window of fixed size. Its frame is the content area in screen coordinates
// (left, top, right, bottom, inclusive), without the title bar and borders the window manager
// adds, so a window placed at the position it reported after a move opens at the same spot.
//
// Everything runs on Qt's GUI thread: there is no window thread to lock against. Posting a
// message still queues it, so a window handles one message at a time, in posting order.
//
// Things dropped on the window become a message (file URLs as "refs", text as "text/plain",
// a colour as "RGBColor"), marked as dropped and delivered to the view under the pointer.
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "platform/gui/DropData.h"
#include "platform/gui/Handler.h"
#include "platform/gui/Message.h"
#include "platform/gui/Rect.h"

class QMimeData;

namespace plat {

class Window : public QWidget, public Handler {
 public:
  Window(const Rect& frame, const char* title);

  // Makes `child` a direct child of the window, shown with it. ChildAt() counts these.
  void AddChild(QWidget* child);
  // The direct child added at `index` (0 is the first); nullptr when there is none.
  QWidget* ChildAt(int index) const;

  Rect Frame() const { return Rect::FromQRect(geometry()); }
  Rect Bounds() const { return Frame().Bounds(); }

  void Show();

  // Queues `message` for `handler` (a view of this window, or the window when nullptr). A view
  // that is gone when the message comes up drops it. B_QUIT_REQUESTED for the window closes it
  // as its close button does (QuitRequested() first).
  void PostMessage(const Message& message, QWidget* handler = nullptr);

  // Marks `message` as dropped and queues it for the view under `point` (window coordinates).
  void DeliverDrop(Message message, const QPoint& point);

  // Redraws the window at once, while a long operation keeps the event loop from doing so.
  void UpdateIfNeeded();

  // The window ignores messages it does not know.
  void MessageReceived(Message* message) override;

  // Closing asks this first; the window closes when it returns true.
  virtual bool QuitRequested() { return true; }
  // The window's content area moved to `position` (screen coordinates).
  virtual void FrameMoved(QPoint position);

 protected:
  bool event(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  std::vector<QPointer<QWidget>> children_;
};

}  // namespace plat
