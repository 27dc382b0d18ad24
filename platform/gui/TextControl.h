#pragma once
// A one-line entry field that sends its message to the window when the entry is committed: when
// the user presses Enter, or when the field loses the focus to another control after the user
// changed its text (switching to another window commits nothing).
//
// With hidden typing, what the user types shows as bullets, while Text() holds the real
// characters. Text placed with SetText() (a notice such as "******") shows as written until the
// user starts typing again; a click into such a notice selects it whole, so that what the user
// types replaces it instead of being added to it unseen. Enter on a notice that the user has not
// touched commits nothing: the notice is not the user's entry, and committing it would make
// "******" or " -wrong!- " the password.
#include <QLineEdit>
#include <string>

#include "platform/gui/Invoker.h"
#include "platform/gui/Rect.h"
#include "platform/gui/ViewColors.h"

namespace plat {

class TextControl : public QLineEdit, public ViewColors, public Invoker {
 public:
  TextControl(const Rect& frame, const char* name, const char* text, const Message& message,
              uint32_t flags);

  void SetText(const char* text);
  std::string Text() const { return text().toStdString(); }

  void HideTyping(bool hide);

  // With true, takes the keyboard focus and selects the whole text, so typing replaces it; with
  // false, gives the focus up.
  void MakeFocus(bool focus);

 protected:
  void focusOutEvent(QFocusEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void Commit();
  void Edited();

  bool hidden_ = false;
  bool changed_ = false;
  bool notice_ = false;  // the text was placed by the program and not edited since
};

}  // namespace plat
