#pragma once
// A push button that sends its message to the window when pressed. The view colour fills the
// area around the button face. Tab reaches it (and a click gives it the focus); Space or Enter
// presses it while it has the focus.
#include <QPushButton>
#include <string>

#include "platform/gui/Invoker.h"
#include "platform/gui/Rect.h"
#include "platform/gui/ViewColors.h"

namespace plat {

class Button : public QPushButton, public ViewColors, public Invoker {
 public:
  Button(const Rect& frame, const char* name, const char* label, const Message& message);

  void SetLabel(const char* label);
  std::string Label() const { return text().toStdString(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace plat
