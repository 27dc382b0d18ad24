#pragma once
// Something that handles messages: the window and its views. A view that does not handle a
// message passes it to the next handler, its parent view, and finally the window.
class QWidget;

namespace plat {

class Message;

class Handler {
 public:
  virtual ~Handler() = default;
  virtual void MessageReceived(Message* message) = 0;
};

// The first handler at `widget` or above it in the widget tree; nullptr when there is none.
Handler* HandlerFor(QWidget* widget);
// The widget of that handler (the widget itself when it is a handler).
QWidget* HandlerWidgetFor(QWidget* widget);

}  // namespace plat
