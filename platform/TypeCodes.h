#pragma once
// Four-character type codes of the data that messages carry, read as 32-bit values. (Extended
// attributes carry no type on Linux, so attribute calls take none.)
#include <cstdint>

namespace plat {

using type_code = uint32_t;

constexpr type_code FourCC(const char (&s)[5]) {
  return (type_code(uint8_t(s[0])) << 24) | (type_code(uint8_t(s[1])) << 16) |
         (type_code(uint8_t(s[2])) << 8) | type_code(uint8_t(s[3]));
}

constexpr type_code B_STRING_TYPE = FourCC("CSTR");
constexpr type_code B_ANY_TYPE = FourCC("ANYT");
constexpr type_code B_RGB_COLOR_TYPE = FourCC("RGBC");
constexpr type_code B_MIME_TYPE = FourCC("MIME");

}  // namespace plat
