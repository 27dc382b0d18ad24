#include "platform/gui/Fonts.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <cmath>

namespace plat {
namespace {

QFont Sized(float size, bool bold) {
  QFont font = QApplication::font();
  font.setBold(bold);
  font.setPixelSize(int(std::lround(size)));
  return font;
}

}  // namespace

QFont PlainFont(float size) {
  return Sized(size, false);
}
QFont BoldFont(float size) {
  return Sized(size, true);
}

QFont DefaultFont() {
  QFont font = QApplication::font();
  font.setFamily(font.family());
  font.setBold(false);
  if (font.pixelSize() > 0)
    font.setPixelSize(font.pixelSize());
  else
    font.setPointSizeF(font.pointSizeF());
  return font;
}

QFont FittingFont(QFont font, const QString& text, int width) {
  constexpr int kSmallest = 6;
  int size = QFontInfo(font).pixelSize();
  while (size > kSmallest && QFontMetrics(font).horizontalAdvance(text) > width)
    font.setPixelSize(--size);
  return font;
}

}  // namespace plat
