#pragma once
// The bevelled panel: fills itself with a base colour and draws two or three rings of lines one
// pixel apart around its edge, shaded from that colour, raised (light top and left) or sunken
// (dark top and left). It is the background and panel view of the window.
//
// While `hasImage` is set (the owner sets it after giving the view a background bitmap), the
// fill is left out so the bitmap shows, only two rings are drawn, and the shades come from the
// fixed grey MenuCol() instead of the view colour.
#include <QPoint>
#include <cstdint>
#include <vector>

#include "platform/gui/View.h"
#include "platform/rgb_color.h"

class fView : public plat::View {
 public:
  // One line of the bevel, in the view's own coordinates, end points inclusive.
  struct Line {
    QPoint from;
    QPoint to;
    rgb_color color;
  };

  fView(const plat::Rect& frame, const char* name, bool sunken);

  // The fixed grey (203, 203, 203) with alpha 27.
  rgb_color MenuCol() const;
  bool IsSunken() const { return sunken; }

  // Set by the owner once the view has a background bitmap; never cleared.
  bool hasImage;

  // The bevel for `bounds` and base colour `base`: 10 lines, or the first 8 without the third
  // ring, in drawing order.
  static std::vector<Line> BevelLines(const plat::Rect& bounds, rgb_color base, bool sunken,
                                      bool thirdRing);

  // What the last redraw drew: its lines and whether it filled the bounds.
  const std::vector<Line>& Lines() const { return lines_; }
  bool Filled() const { return filled_; }

 protected:
  void Draw(QPainter& painter, const plat::Rect& updateRect) override;

 private:
  bool sunken;
  std::vector<Line> lines_;
  bool filled_ = false;
};
