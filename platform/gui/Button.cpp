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

void Button::keyPressEvent(QKeyEvent* event) {
  if (!PressOnEnter(this, event)) QPushButton::keyPressEvent(event);
}

}  // namespace plat
