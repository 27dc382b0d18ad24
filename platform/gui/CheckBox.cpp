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

void CheckBox::keyPressEvent(QKeyEvent* event) {
  if (!PressOnEnter(this, event)) QCheckBox::keyPressEvent(event);
}

}  // namespace plat
