#pragma once
// Colour conversions and shades for drawing. Views draw their colours opaque, whatever the
// alpha channel says: dropped colour text carries alpha 0, and the alpha values of the fixed
// colours (27 for the grey, 225 for text) are not meant as transparency.
#include <QColor>

#include "platform/rgb_color.h"

namespace plat {

// A view colour that means "draw no background" (the view shows what lies behind it).
constexpr rgb_color B_TRANSPARENT_32_BIT = {77, 84, 77, 0};

// Shading factors: below 1.0 lightens, above 1.0 darkens.
constexpr float B_DARKEN_1_TINT = 1.147f;
constexpr float B_DARKEN_2_TINT = 1.295f;

QColor ToQColor(rgb_color c);
rgb_color FromQColor(const QColor& c);

// A shade of `color`: each of red, green and blue moves toward white by (1 - tint) of its
// distance for tint < 1 (tint 0 gives white), toward black by (tint - 1) of its value for
// tint > 1 (tint 2 gives black); tint 1 keeps the colour. Tints outside 0..2 are clamped.
// Alpha is kept.
rgb_color tint_color(rgb_color color, float tint);

}  // namespace plat
