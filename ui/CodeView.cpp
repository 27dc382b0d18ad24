#include "ui/CodeView.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/gui/Colors.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Message.h"
#include "platform/gui/StringView.h"
#include "platform/gui/TextControl.h"
#include "settings/ColourHelpers.h"
#include "ui/fView.h"

CodeView::CodeView(const plat::Rect& frame, const char* name)
    : plat::View(frame, name), passBuffer{}, iconBitmap(32, 32) {
  bounds = Bounds();
  setFont(plat::BoldFont(10));
  const float L = bounds.left, T = bounds.top;

  bkgBox = new fView(bounds, "bkgBox", true);

  iconFrame = plat::Rect(L + 5, T + 5, L + 36, T + 36);
  iBox = new plat::View(iconFrame, "iBox");

  passFrame = plat::Rect(L + 40, T + 17, L + 100, T + 38);
  ppass = new plat::TextControl(passFrame, "ppass", "", plat::Message(CW_PASS), plat::B_NAVIGABLE);
  ppass->MakeFocus(true);
  ppass->setEnabled(true);
  ppass->HideTyping(true);
  // The entry keeps the desktop's default font rather than the bold one of the box around it.
  ppass->setFont(plat::DefaultFont());
  // Nothing dropped goes into the password: a drop on the entry field is the panel's, like a drop
  // anywhere else on it (file managers send a file's path as text, which would be typed in).
  ppass->setAcceptDrops(false);
  bkgBox->AddChild(ppass);

  labelFrame = plat::Rect(L + 44, T + 5, L + 100, T + 18);
  stext = new plat::StringView(labelFrame, "stext", "Passwort:");
  // Bold at 11 pixels, or smaller where the desktop's bold font would push the colon out of the
  // label's 57 pixels.
  stext->setFont(plat::FittingFont(plat::BoldFont(11), stext->text(), stext->width()));
  bkgBox->AddChild(stext);
  bkgBox->AddChild(iBox);
  AddChild(bkgBox);

  SetViewColor(HOTSP);
  stext->SetLowColor(HOTSP);
  stext->SetViewColor(HOTSP);
  stext->SetHighColor(GetTextCol(HOTSP));
  bkgBox->SetLowColor(rgb_color{0, 0, 0, 127});
  bkgBox->SetViewColor(plat::B_TRANSPARENT_32_BIT);
  bkgBox->SetHighColor(rgb_color{250, 250, 250, 127});
  bkgBox->setFont(plat::BoldFont(11));
  setVisible(true);
}

CodeView::~CodeView() = default;

char* CodeView::GetPass() {
  std::string text = ppass->Text();
  std::memset(passBuffer, 0, sizeof passBuffer);
  std::memcpy(passBuffer, text.data(), std::min(text.size(), plat::kPasswordMax));
  return passBuffer;
}

void CodeView::CWViewIcon(const uint8_t* bits) {
  iconBitmap.SetBits(bits, 1024);
  iBox->SetViewBitmap(iconBitmap.ToImage(), true);
  iBox->Invalidate();
}

void CodeView::CWSetText(const char* text) {
  ppass->SetText(text);
}

void CodeView::CWMakeFocus(bool focus) {
  ppass->MakeFocus(focus);
}

void CodeView::CWGetPreferredSize(float* width, float* height) {
  *width = 142;
  *height = 46;
}

void CodeView::NewColor(rgb_color color) {
  const rgb_color text = GetTextCol(color);
  SetHighColor(text);
  bkgBox->SetViewColor(color);
  bkgBox->SetLowColor(color);
  bkgBox->SetHighColor(text);
  bkgBox->Invalidate();
  stext->SetViewColor(color);
  stext->SetLowColor(color);
  stext->SetHighColor(text);
  stext->Invalidate();
  ppass->SetViewColor(color);
  ppass->Invalidate();
}

void CodeView::MessageReceived(plat::Message* message) {
  std::printf("**CODEVIEW**\n");
  message->PrintToStream();
}
