#pragma once
// A message on its way through Qt's event queue: posting a message to a window (or to one of its
// views) or to the application queues one of these, so messages are handled one at a time, in
// the order they were posted, after the handler that posted them has returned.
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include "platform/gui/Message.h"

namespace plat {

class MessageEvent : public QEvent {
 public:
  MessageEvent(const Message& message, QWidget* target)
      : QEvent(EventType()), message_(message), target_(target), hasTarget_(target != nullptr) {}

  static QEvent::Type EventType();

  Message& message() { return message_; }
  // The view the message was addressed to; nullptr when it was addressed to the window itself or
  // when the view has gone in the meantime (see HadTarget()).
  QWidget* target() const { return target_.data(); }
  bool HadTarget() const { return hasTarget_; }

 private:
  Message message_;
  QPointer<QWidget> target_;
  bool hasTarget_;
};

}  // namespace plat
