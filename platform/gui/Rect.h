#pragma once
// A rectangle in view coordinates: left, top, right and bottom, all inclusive. The rectangle
// (0, 0)-(31, 31) covers 32 x 32 pixels and its Width() is 31, the same way QRect counts.
#include <QRect>

namespace plat {

struct Rect {
  float left = 0;
  float top = 0;
  float right = -1;
  float bottom = -1;

  Rect() = default;
  Rect(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}

  float Width() const { return right - left; }
  float Height() const { return bottom - top; }
  // A copy moved inward by dx on the left and right and by dy on the top and bottom.
  Rect InsetByCopy(float dx, float dy) const {
    return Rect(left + dx, top + dy, right - dx, bottom - dy);
  }
  // The same size with its left-top corner at (0, 0).
  Rect Bounds() const { return Rect(0, 0, Width(), Height()); }

  QRect ToQRect() const {
    return QRect(QPoint(qRound(left), qRound(top)), QPoint(qRound(right), qRound(bottom)));
  }
  static Rect FromQRect(const QRect& r) {
    return Rect(float(r.left()), float(r.top()), float(r.right()), float(r.bottom()));
  }
};

}  // namespace plat
