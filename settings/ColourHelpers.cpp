#include "settings/ColourHelpers.h"

#include <cstdio>
#include <cstring>

uint8_t h2u(char c) {
  if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
  return 0;
}

void txt2col(const char* text, rgb_color* color) {
  if (text == nullptr) text = "";
  if (text[0] == '#') {
    printf("#");
    ++text;
  }
  // A text shorter than six digits ends at its zero: the missing positions count as 0 and
  // nothing past the zero is touched.
  uint8_t digit[6] = {0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 6 && text[i] != 0; ++i) digit[i] = h2u(text[i]);
  color->red = static_cast<uint8_t>(16 * digit[0] + digit[1]);
  color->green = static_cast<uint8_t>(16 * digit[2] + digit[3]);
  color->blue = static_cast<uint8_t>(16 * digit[4] + digit[5]);
  color->alpha = 0;
}

rgb_color ColourOfDropText(const void* text, size_t size) {
  char six[7] = {};
  if (text != nullptr) std::memcpy(six, text, size < 6 ? size : 6);
  rgb_color colour;
  txt2col(six, &colour);
  return colour;
}

rgb_color ColourOfPickedColour(const uint8_t rgb[3]) {
  char text[7];
  std::snprintf(text, sizeof text, "%02X%02X%02X", rgb[0], rgb[1], rgb[2]);
  rgb_color colour;
  txt2col(text, &colour);
  return colour;
}

rgb_color GetTextCol(rgb_color background) {
  const bool bright = background.red >= 122 || background.green >= 122 || background.blue >= 122;
  const uint8_t level = bright ? 12 : 250;
  return rgb_color{level, level, level, 225};
}
