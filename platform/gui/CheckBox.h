#pragma once
// A check box that sends its message to the window when the user toggles it. Its label is drawn
// in the high colour on the view colour. Value() is 1 when checked, else 0; SetValue() sends
// nothing. Tab reaches it (and a click gives it the focus); Space or Enter toggles it while it
// has the focus.
#include <QCheckBox>

#include "platform/gui/Invoker.h"
#include "platform/gui/Rect.h"
#include "platform/gui/ViewColors.h"

namespace plat {

class CheckBox : public QCheckBox, public ViewColors, public Invoker {
 public:
  CheckBox(const Rect& frame, const char* name, const char* label, const Message& message);

  int Value() const { return isChecked() ? 1 : 0; }
  void SetValue(int value) { setChecked(value != 0); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace plat
