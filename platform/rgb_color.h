#pragma once
// The desktop's colour value: four unsigned 8-bit channels in memory order red, green, blue, alpha.
#include <cstdint>

struct rgb_color {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
  uint8_t alpha;
};
static_assert(sizeof(rgb_color) == 4, "rgb_color is four bytes, stored as they are");

inline bool operator==(const rgb_color& a, const rgb_color& b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha;
}
inline bool operator!=(const rgb_color& a, const rgb_color& b) {
  return !(a == b);
}
