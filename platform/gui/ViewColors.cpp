#include "platform/gui/ViewColors.h"

#include <QPalette>
#include <QWidget>

#include "platform/gui/Colors.h"

namespace plat {

ViewColors::ViewColors(QWidget* self) : self_(self) {}

void ViewColors::SetViewColor(rgb_color c) {
  view_ = c;
  ApplyColors();
}

void ViewColors::SetLowColor(rgb_color c) {
  low_ = c;
  ApplyColors();
}

void ViewColors::SetHighColor(rgb_color c) {
  high_ = c;
  ApplyColors();
}

void ViewColors::Invalidate() {
  self_->update();
}

void ViewColors::ApplyColors() {
  QPalette pal = self_->palette();
  bool transparent = view_ == B_TRANSPARENT_32_BIT;
  if (!transparent) pal.setColor(QPalette::Window, ToQColor(view_));
  pal.setColor(QPalette::WindowText, ToQColor(high_));
  // Buttons and check boxes fill with their face colour by default; the view colour is the
  // colour around them.
  self_->setBackgroundRole(QPalette::Window);
  self_->setAutoFillBackground(!transparent);
  self_->setPalette(pal);
}

}  // namespace plat
