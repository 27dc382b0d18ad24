#pragma once
// The password panel: on a sunken bevelled box, a 32 x 32 icon box showing the icon of the file
// in hand, the bold label "Passwort:" and a one-line entry field with hidden typing. The entry
// field sends CW_PASS to the window when the entry is committed. The panel keeps every message
// that reaches it (logged on standard output) and passes none on.
#include <cstdint>

#include "platform/Bitmap.h"
#include "platform/Program.h"
#include "platform/TypeCodes.h"
#include "platform/gui/Rect.h"
#include "platform/gui/View.h"
#include "platform/rgb_color.h"

namespace plat {
class StringView;
class TextControl;
}  // namespace plat
class fView;

// Message of a committed password entry.
constexpr uint32_t CW_PASS = plat::FourCC("CWPA");

// The panel's own colour.
constexpr rgb_color HOTSP = {150, 160, 185, 255};

class CodeView : public plat::View {
 public:
  CodeView(const plat::Rect& frame, const char* name);
  ~CodeView() override;

  // Copies at most the first kPasswordMax bytes of the entry's text into the panel's own buffer
  // (zero filled, always terminated) and returns that buffer.
  virtual char* GetPass();
  // Shows 1024 bytes of 32 x 32 colour-mapped icon data (rows top first) in the icon box.
  virtual void CWViewIcon(const uint8_t* bits);
  virtual void CWSetText(const char* text);
  // Gives the entry field the keyboard focus (true) or takes it away (false).
  virtual void CWMakeFocus(bool focus);
  virtual void CWGetPreferredSize(float* width, float* height);
  // Recolours the box, the label and the entry field from `color`, text in GetTextCol(color).
  virtual void NewColor(rgb_color color);

  // Logs "**CODEVIEW**" and the message's dump; the message goes no further.
  void MessageReceived(plat::Message* message) override;

  fView* BackgroundBox() const { return bkgBox; }
  plat::StringView* Label() const { return stext; }
  plat::TextControl* PassControl() const { return ppass; }
  plat::View* IconBox() const { return iBox; }

 private:
  plat::Rect bounds;
  plat::Rect iconFrame;
  plat::Rect passFrame;
  plat::Rect labelFrame;
  fView* bkgBox;
  plat::StringView* stext;
  plat::TextControl* ppass;
  char passBuffer[plat::kPasswordMax + 1];
  plat::View* iBox;
  plat::Bitmap iconBitmap;
};
