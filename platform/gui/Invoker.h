#pragma once
// The message a control sends when the user works it. It goes to the control's window (the
// default target) as a queued message.
#include "platform/gui/Message.h"

class QAbstractButton;
class QKeyEvent;
class QWidget;

namespace plat {

class Invoker {
 public:
  Invoker(QWidget* self, const Message& message) : self_(self), message_(message) {}
  virtual ~Invoker() = default;

  // Posts the message to the control's window; does nothing while the control has no window.
  void Invoke();

 private:
  QWidget* self_;
  Message message_;
};

// Enter (or the keypad's) presses `control` as Space does, once for a held key. True when the
// key was Enter and so taken; the control's own handling gets every other key.
bool PressOnEnter(QAbstractButton* control, QKeyEvent* event);

}  // namespace plat
