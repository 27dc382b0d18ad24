// The fixed 256-colour map behind every colour-mapped byte of the program:
//   0..31     a grey ramp from black in steps of 8 (0, 8, ... 248)
//   32..247   a 6x6x6 colour cube, channel levels 0, 51, 102, 153, 204, 255;
//             index = 32 + 36 * r + 6 * g + b for levels r, g, b in 0..5, except that black
//             is index 0 only and its cube slot 32 holds an amber (255, 175, 19) instead
//   248..254  a few extra colours of the program (its window teal, warm and signal tones)
//   255       transparent (white with alpha 0)
// The map is built once and never changes, so stored icon bytes keep their colours.
#include "platform/Bitmap.h"

namespace plat {
namespace {

struct ColorMap {
  rgb_color entries[256];
  ColorMap() {
    for (int i = 0; i < 32; ++i) {
      uint8_t v = uint8_t(i * 8);
      entries[i] = {v, v, v, 255};
    }
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          entries[32 + 36 * r + 6 * g + b] = {uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51),
                                              255};
    entries[32] = {255, 175, 19, 255};
    const rgb_color extras[7] = {{98, 178, 178, 255}, {255, 203, 0, 255},  {230, 134, 0, 255},
                                 {0, 152, 51, 255},   {255, 227, 70, 255}, {128, 64, 0, 255},
                                 {64, 128, 255, 255}};
    for (int i = 0; i < 7; ++i) entries[248 + i] = extras[i];
    entries[B_TRANSPARENT_MAGIC_CMAP8] = {255, 255, 255, 0};
  }
};

}  // namespace

const rgb_color* SystemColorMap() {
  static const ColorMap kMap;
  return kMap.entries;
}

uint8_t NearestColorIndex(const rgb_color& color) {
  if (color.alpha < 128) return B_TRANSPARENT_MAGIC_CMAP8;
  const rgb_color* map = SystemColorMap();
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < 255; ++i) {
    long dr = long(map[i].red) - color.red;
    long dg = long(map[i].green) - color.green;
    long db = long(map[i].blue) - color.blue;
    long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
      if (d == 0) break;
    }
  }
  return uint8_t(best);
}

}  // namespace plat
