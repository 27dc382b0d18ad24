#include "platform/gui/StringView.h"

namespace plat {

StringView::StringView(const Rect& frame, const char* name, const char* text) : ViewColors(this) {
  setObjectName(name);
  setGeometry(frame.ToQRect());
  setTextFormat(Qt::PlainText);
  SetText(text);
  SetAlignment(B_ALIGN_LEFT);
  ApplyColors();
}

void StringView::SetText(const char* text) {
  setText(QString::fromUtf8(text));
}

void StringView::SetAlignment(TextAlign align) {
  Qt::Alignment h = align == B_ALIGN_RIGHT    ? Qt::AlignRight
                    : align == B_ALIGN_CENTER ? Qt::AlignHCenter
                                              : Qt::AlignLeft;
  setAlignment(h | Qt::AlignVCenter);
}

void StringView::SetTip(const std::string& text) {
  tip_ = text;
  if (text.empty()) {
    setToolTip(QString());
    return;
  }
  // Rich text made from the escaped text: Qt would take some plain texts for markup otherwise.
  QString html = QString::fromUtf8(text.c_str()).toHtmlEscaped();
  html.replace(QLatin1Char('\n'), QLatin1String("<br>"));
  setToolTip(QLatin1String("<qt>") + html + QLatin1String("</qt>"));
}

}  // namespace plat
