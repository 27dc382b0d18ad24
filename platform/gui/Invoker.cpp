#include "platform/gui/Invoker.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QWidget>

#include "platform/gui/Window.h"

namespace plat {

void Invoker::Invoke() {
  if (auto* window = dynamic_cast<Window*>(self_->window())) window->PostMessage(message_);
}

bool PressOnEnter(QAbstractButton* control, QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || (event->modifiers() & ~Qt::KeypadModifier)) return false;
  if (!event->isAutoRepeat()) control->click();
  event->accept();
  return true;
}

}  // namespace plat
