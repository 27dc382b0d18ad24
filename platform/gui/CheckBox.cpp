#include "platform/gui/CheckBox.h"

#include <QKeyEvent>

namespace plat {

CheckBox::CheckBox(const Rect& frame, const char* name, const char* label, const Message& message)
    : ViewColors(this), Invoker(this, message) {
  setObjectName(name);
  setGeometry(frame.ToQRect());
  setFocusPolicy(Qt::StrongFocus);
  setText(QString::fromUtf8(label));
  // clicked, not toggled: only the user's toggling sends the message.
  connect(this, &QCheckBox::clicked, this, [this] { Invoke(); });
  ApplyColors();
}

// Enter presses the control like Space does (a held key presses it once).
void CheckBox::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || (event->modifiers() & ~Qt::KeypadModifier)) {
    QCheckBox::keyPressEvent(event);
    return;
  }
  if (!event->isAutoRepeat()) click();
  event->accept();
}

}  // namespace plat
