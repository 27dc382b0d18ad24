#include "platform/gui/StringView.h"

namespace plat {

StringView::StringView(const Rect& frame, const char* name, const char* text, uint32_t, uint32_t)
    : ViewColors(this) {
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

}  // namespace plat
