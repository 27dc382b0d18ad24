#include "platform/gui/Button.h"

#include <QKeyEvent>

namespace plat {

Button::Button(const Rect& frame, const char* name, const char* label, const Message& message)
    : ViewColors(this), Invoker(this, message) {
  setObjectName(name);
  setGeometry(frame.ToQRect());
  setFocusPolicy(Qt::StrongFocus);
  SetLabel(label);
  connect(this, &QPushButton::clicked, this, [this] { Invoke(); });
  ApplyColors();
}

void Button::SetLabel(const char* label) {
  setText(QString::fromUtf8(label));
}

// Enter presses the control like Space does (a held key presses it once).
void Button::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || (event->modifiers() & ~Qt::KeypadModifier)) {
    QPushButton::keyPressEvent(event);
    return;
  }
  if (!event->isAutoRepeat()) click();
  event->accept();
}

}  // namespace plat
