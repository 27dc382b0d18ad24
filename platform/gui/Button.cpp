#include "platform/gui/Button.h"

namespace plat {

Button::Button(const Rect& frame, const char* name, const char* label, const Message& message,
               uint32_t, uint32_t)
    : ViewColors(this), Invoker(this, message) {
  setObjectName(name);
  setGeometry(frame.ToQRect());
  setFocusPolicy(Qt::ClickFocus);
  SetLabel(label);
  connect(this, &QPushButton::clicked, this, [this] { Invoke(); });
  ApplyColors();
}

void Button::SetLabel(const char* label) {
  setText(QString::fromUtf8(label));
}

}  // namespace plat
