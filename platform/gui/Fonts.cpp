#include "platform/gui/Fonts.h"

#include <QApplication>
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

}  // namespace plat
