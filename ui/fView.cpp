#include "ui/fView.h"

#include <QPainter>

#include "platform/gui/Colors.h"

fView::fView(const plat::Rect& frame, const char* name, bool sunken)
    : plat::View(frame, name), hasImage(false), sunken(sunken) {}

rgb_color fView::MenuCol() const {
  return rgb_color{203, 203, 203, 27};
}

std::vector<fView::Line> fView::BevelLines(const plat::Rect& bounds, rgb_color base, bool sunken,
                                           bool thirdRing) {
  // Raised: dark outer ring, second ring dark at the bottom and right and light at the top and
  // left, light third ring. Sunken swaps the light and dark shades.
  const rgb_color outer = plat::tint_color(base, sunken ? 0.775f : plat::B_DARKEN_2_TINT);
  const rgb_color secondBR = plat::tint_color(base, sunken ? 0.65f : plat::B_DARKEN_1_TINT);
  const rgb_color secondTL = plat::tint_color(base, sunken ? plat::B_DARKEN_1_TINT : 0.65f);
  const rgb_color third = plat::tint_color(base, sunken ? plat::B_DARKEN_2_TINT : 0.775f);

  QRect r = bounds.ToQRect();
  int L = r.left(), T = r.top(), R = r.right(), B = r.bottom();
  std::vector<Line> lines = {
      {{L, B}, {R, B}, outer},
      {{R, B}, {R, T}, outer},
      {{R, T}, {L, T}, outer},
      {{L, T}, {L, B - 1}, outer},
      {{L + 1, B - 1}, {R - 1, B - 1}, secondBR},
      {{R - 1, B - 1}, {R - 1, T + 1}, secondBR},
      {{R - 1, T + 1}, {L + 1, T + 1}, secondTL},
      {{L + 1, T + 1}, {L + 1, B - 2}, secondTL},
  };
  if (thirdRing) {
    lines.push_back({{R - 2, T + 2}, {L + 2, T + 2}, third});
    lines.push_back({{L + 2, T + 2}, {L + 2, B - 3}, third});
  }
  return lines;
}

void fView::Draw(QPainter& painter, const plat::Rect&) {
  const plat::Rect bounds = Bounds();
  const rgb_color base = hasImage ? MenuCol() : ViewColor();
  lines_ = BevelLines(bounds, base, sunken, !hasImage);

  SetPenSize(1.6f);
  SetHighColor(base);
  filled_ = !hasImage;
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (filled_) painter.fillRect(bounds.ToQRect(), plat::ToQColor(base));
  // Each line is drawn through the centres of its pixels, so the rings land one pixel apart.
  const QPointF centre(0.5, 0.5);
  for (const Line& line : lines_) {
    painter.setPen(QPen(plat::ToQColor(line.color), PenSize(), Qt::SolidLine, Qt::SquareCap));
    painter.drawLine(QPointF(line.from) + centre, QPointF(line.to) + centre);
  }
}
