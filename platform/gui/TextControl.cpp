#include "platform/gui/TextControl.h"

#include <QFocusEvent>
#include <QMouseEvent>

#include "platform/gui/View.h"

namespace plat {

TextControl::TextControl(const Rect& frame, const char* name, const char* text,
                         const Message& message, uint32_t flags)
    : ViewColors(this), Invoker(this, message) {
  setObjectName(name);
  setGeometry(frame.ToQRect());
  setFocusPolicy((flags & B_NAVIGABLE) ? Qt::StrongFocus : Qt::ClickFocus);
  setText(QString::fromUtf8(text));
  connect(this, &QLineEdit::returnPressed, this, [this] {
    if (!notice_) Commit();
  });
  connect(this, &QLineEdit::textEdited, this, [this] { Edited(); });
  ApplyColors();
}

void TextControl::SetText(const char* text) {
  // A notice placed by the program is shown as written; the user's next keystroke hides again.
  if (hidden_) setEchoMode(QLineEdit::Normal);
  setText(QString::fromUtf8(text));
  changed_ = false;
  notice_ = true;
}

void TextControl::HideTyping(bool hide) {
  hidden_ = hide;
  setEchoMode(hide ? QLineEdit::Password : QLineEdit::Normal);
}

void TextControl::MakeFocus(bool focus) {
  if (focus) {
    setFocus(Qt::OtherFocusReason);
    selectAll();
  } else {
    clearFocus();
  }
}

void TextControl::Edited() {
  changed_ = true;
  notice_ = false;
  if (hidden_ && echoMode() != QLineEdit::Password) setEchoMode(QLineEdit::Password);
}

void TextControl::Commit() {
  changed_ = false;
  Invoke();
}

void TextControl::mouseReleaseEvent(QMouseEvent* event) {
  QLineEdit::mouseReleaseEvent(event);
  const bool noticeShown = hidden_ && echoMode() == QLineEdit::Normal;
  if (noticeShown && !hasSelectedText()) selectAll();
}

void TextControl::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  Qt::FocusReason why = event->reason();
  if (changed_ && why != Qt::ActiveWindowFocusReason && why != Qt::PopupFocusReason) Commit();
}

}  // namespace plat
