#pragma once
// One line of text that the user cannot edit, in the high colour on the view colour.
#include <QLabel>
#include <string>

#include "platform/gui/Rect.h"
#include "platform/gui/ViewColors.h"

namespace plat {

enum TextAlign { B_ALIGN_LEFT, B_ALIGN_RIGHT, B_ALIGN_CENTER };

class StringView : public QLabel, public ViewColors {
 public:
  StringView(const Rect& frame, const char* name, const char* text);

  void SetText(const char* text);
  std::string Text() const { return text().toStdString(); }
  void SetAlignment(TextAlign align);

  // The tooltip, shown as plain text however it reads (a file name may look like markup); line
  // breaks stay, long lines wrap. Empty: none.
  void SetTip(const std::string& text);
  const std::string& Tip() const { return tip_; }

 private:
  std::string tip_;
};

}  // namespace plat
