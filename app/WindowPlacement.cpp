#include "app/WindowPlacement.h"

#include <algorithm>
#include <climits>

namespace {

bool UsableOn(const QRect& frame, const QRect& screen) {
  const QRect on = frame.intersected(screen);
  return on.width() >= std::min(kUsableWidth, frame.width()) &&
         on.height() >= std::min(kUsableHeight, frame.height()) && frame.top() >= screen.top() &&
         frame.top() <= screen.bottom() - kUsableHeight;
}

// How far `frame` lies from `screen` (0 when they meet).
long long DistanceSquared(const QRect& frame, const QRect& screen) {
  const long long dx = std::max(
      {0LL, (long long)screen.left() - frame.right(), (long long)frame.left() - screen.right()});
  const long long dy = std::max(
      {0LL, (long long)screen.top() - frame.bottom(), (long long)frame.top() - screen.bottom()});
  return dx * dx + dy * dy;
}

}  // namespace

QPoint PlaceWindow(const QRect& frame, const std::vector<QRect>& screens) {
  const QRect* nearest = nullptr;
  long long best = LLONG_MAX;
  for (const QRect& screen : screens) {
    if (screen.isEmpty()) continue;
    if (UsableOn(frame, screen)) return frame.topLeft();
    const long long d = DistanceSquared(frame, screen);
    if (d < best) {
      best = d;
      nearest = &screen;
    }
  }
  if (!nearest) return frame.topLeft();
  // Moved as little as it takes to lie whole on that screen (its top-left corner on it when it
  // is larger than the screen).
  const QRect& s = *nearest;
  const int x = std::max(s.left(), std::min(frame.left(), s.right() + 1 - frame.width()));
  const int y = std::max(s.top(), std::min(frame.top(), s.bottom() + 1 - frame.height()));
  return QPoint(x, y);
}
