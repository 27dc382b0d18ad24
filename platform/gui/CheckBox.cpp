#include "platform/gui/CheckBox.h"

namespace plat {

CheckBox::CheckBox(const Rect& frame, const char* name, const char* label, const Message& message,
                   uint32_t, uint32_t)
    : ViewColors(this), Invoker(this, message) {
  setObjectName(name);
  setGeometry(frame.ToQRect());
  setFocusPolicy(Qt::ClickFocus);
  setText(QString::fromUtf8(label));
  // clicked, not toggled: only the user's toggling sends the message.
  connect(this, &QCheckBox::clicked, this, [this] { Invoke(); });
  ApplyColors();
}

}  // namespace plat
