#pragma once
// The three colours every view and control carries: the view colour (its background), the low
// colour (behind text and patterns) and the high colour (text and lines). Setting a colour takes
// effect at the next redraw; Invalidate() asks for one.
#include "platform/rgb_color.h"

class QWidget;

namespace plat {

class ViewColors {
 public:
  explicit ViewColors(QWidget* self);
  virtual ~ViewColors() = default;

  void SetViewColor(rgb_color c);
  void SetLowColor(rgb_color c);
  void SetHighColor(rgb_color c);
  rgb_color ViewColor() const { return view_; }
  rgb_color LowColor() const { return low_; }
  rgb_color HighColor() const { return high_; }

  // Schedules a redraw (QWidget::update()).
  void Invalidate();

 protected:
  // Hands the colours to the widget. The default fills the background with the view colour
  // (none when it is B_TRANSPARENT_32_BIT) and draws text in the high colour.
  virtual void ApplyColors();
  QWidget* self() const { return self_; }

 private:
  QWidget* self_;
  rgb_color view_ = {216, 216, 216, 255};
  rgb_color low_ = {216, 216, 216, 255};
  rgb_color high_ = {0, 0, 0, 255};
};

}  // namespace plat
