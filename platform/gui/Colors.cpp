#include "platform/gui/Colors.h"

#include <cmath>

namespace plat {

QColor ToQColor(rgb_color c) {
  return QColor(c.red, c.green, c.blue);
}

rgb_color FromQColor(const QColor& c) {
  return rgb_color{uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()), uint8_t(c.alpha())};
}

namespace {

uint8_t Shade(uint8_t value, float tint) {
  float v = value;
  float out = tint <= 1.0f ? v + (255.0f - v) * (1.0f - tint) : v * (2.0f - tint);
  return uint8_t(std::lround(std::fmin(255.0f, std::fmax(0.0f, out))));
}

}  // namespace

rgb_color tint_color(rgb_color color, float tint) {
  tint = std::fmin(2.0f, std::fmax(0.0f, tint));
  return rgb_color{Shade(color.red, tint), Shade(color.green, tint), Shade(color.blue, tint),
                   color.alpha};
}

}  // namespace plat
