#include "ui/MainLayout.h"

#include <QImage>

#include "platform/gui/Button.h"
#include "platform/gui/CheckBox.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Message.h"
#include "platform/gui/StringView.h"
#include "platform/gui/TextControl.h"
#include "platform/gui/Window.h"
#include "settings/ColourHelpers.h"
#include "ui/CodeView.h"
#include "ui/fView.h"

namespace {

constexpr rgb_color kNearWhite = {250, 250, 250, 255};
// Controls get the desktop's usual control font size; the layout's sizes are for the views.
constexpr float kControlFontSize = 10;

}  // namespace

MainLayout::MainLayout(plat::Window* window, rgb_color color, uint8_t watch) {
  using plat::Rect;
  const Rect B = window->Bounds();

  backView = new fView(B, "backview", false);
  backView->setFont(plat::PlainFont(9));
  backView->SetViewColor(color);
  backView->SetLowColor(color);

  askView = new fView(Rect(B.left + 6, B.top + 6, B.right - 6, B.top + 22), "askView", false);
  askFile = new plat::StringView(askView->Bounds().InsetByCopy(2, 2), "askFile", "-Drag a file-");
  askFile->SetAlignment(plat::B_ALIGN_LEFT);
  askView->AddChild(askFile);
  backView->AddChild(askView);

  decB = new plat::Button(Rect(B.left + 6, B.top + 105, B.right - 6, B.top + 130), "DecB",
                          "Decode All", plat::Message(DEC_BUTT));
  sBut = new plat::Button(Rect(B.left + 6, B.top + 136, B.right - 6, B.bottom - 6), "SBut", "Do it",
                          plat::Message(SAV_BUTT));
  decB->setFont(plat::PlainFont(kControlFontSize));
  sBut->setFont(plat::PlainFont(kControlFontSize));
  backView->AddChild(sBut);
  backView->AddChild(decB);

  cview = new CodeView(Rect(B.left + 6, B.top + 29, B.right - 6, B.top + 69), "cview");
  backView->AddChild(cview);

  wView = new fView(Rect(B.left + 6, B.top + 75, B.right - 6, B.top + 100), "wView", true);
  const Rect W = wView->Bounds();
  wBut = new plat::CheckBox(Rect(W.left + 5, W.top + 3, W.right - 3, W.top + 20), "wBut",
                            "watch Folder", plat::Message(WTH_FOLD));
  wBut->setFont(plat::PlainFont(kControlFontSize));
  wBut->SetValue(watch);
  wView->SetViewColor(color);
  wView->SetLowColor(color);
  wView->AddChild(wBut);
  backView->AddChild(wView);
  window->AddChild(backView);

  // Tab goes from the password entry down the window: the check box, "Decode All", "Do it".
  QWidget::setTabOrder(cview->PassControl(), wBut);
  QWidget::setTabOrder(wBut, decB);
  QWidget::setTabOrder(decB, sBut);

  askFile->SetLowColor(kNearWhite);
  askFile->SetViewColor(kNearWhite);
  askFile->setFont(plat::PlainFont(10));
}

void MainLayout::Recolor(rgb_color c) {
  if (backView->hasImage) c = backView->MenuCol();
  sBut->SetViewColor(c);
  sBut->Invalidate();
  decB->SetViewColor(c);
  decB->Invalidate();
  cview->SetViewColor(c);
  cview->NewColor(c);
  cview->Invalidate();
  wView->SetViewColor(c);
  wView->Invalidate();
  wBut->SetViewColor(c);
  wBut->SetLowColor(c);
  wBut->SetHighColor(GetTextCol(c));
  wBut->Invalidate();
  backView->SetViewColor(c);
  backView->Invalidate();
}

void MainLayout::SetBackgroundImage(const QImage* image) {
  if (image && !image->isNull()) backView->SetViewBitmap(*image, true);
  backView->hasImage = true;
}
