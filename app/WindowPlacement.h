#pragma once
// Where the window starts. The position kept in the settings may lie off every screen now (a
// screen unplugged, a resolution changed, a damaged file): the window starts there only when
// enough of it to grab and use lies on a screen, else at the nearest place where it lies whole on
// the screen nearest to it. The settings file keeps its bytes; the next quit stores the new place.
#include <QPoint>
#include <QRect>
#include <vector>

// How much of the window must lie on one screen, its top edge among it, for it to be usable.
constexpr int kUsableWidth = 48;
constexpr int kUsableHeight = 24;

// The top-left corner for the window `frame`, given the screens' available areas (none known:
// where it is).
QPoint PlaceWindow(const QRect& frame, const std::vector<QRect>& screens);
