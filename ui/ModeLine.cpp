#include "ui/ModeLine.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/StringView.h"
#include "platform/gui/Window.h"
#include "ui/fView.h"

namespace {

constexpr rgb_color kNearWhite = {250, 250, 250, 255};

}  // namespace

ModeLine::ModeLine(plat::Window* window, fView* backView)
    : window_(window), backView_(backView), width_(window->width()), height_(window->height()) {}

void ModeLine::Show(const std::string& text) {
  if (!panel_) {
    // Below "Do it" (which ends 6 above the window's own bottom B): 6 in from the sides, 16
    // high, 6 from the grown window's bottom.
    const plat::Rect B = window_->Bounds();
    panel_ =
        new fView(plat::Rect(B.left + 6, B.bottom, B.right - 6, B.bottom + 16), "modeView", false);
    label_ = new plat::StringView(panel_->Bounds().InsetByCopy(2, 2), "modeLine", "");
    label_->SetAlignment(plat::B_ALIGN_LEFT);
    label_->SetLowColor(kNearWhite);
    label_->SetViewColor(kNearWhite);
    label_->setFont(plat::PlainFont(10));
    panel_->AddChild(label_);
    backView_->AddChild(panel_);
  }
  label_->SetText(text.c_str());
  if (shown_) return;
  shown_ = true;
  Resize(kExtraHeight);
  panel_->show();
}

void ModeLine::Hide() {
  if (!shown_) return;
  shown_ = false;
  panel_->hide();
  Resize(0);
}

void ModeLine::Resize(int extra) {
  window_->setFixedSize(width_, height_ + extra);
  backView_->resize(width_, height_ + extra);
}
