#include <gtest/gtest.h>

#include <string>

#include "settings/ColourHelpers.h"
#include "tests/platform/CapturedStdout.h"

namespace {

TEST(ColourHelpers, HexDigitValues) {
  const std::string digits = "0123456789ABCDEF", lower = "abcdef";
  for (size_t i = 0; i < digits.size(); ++i) EXPECT_EQ(h2u(digits[i]), i) << digits[i];
  for (size_t i = 0; i < lower.size(); ++i) EXPECT_EQ(h2u(lower[i]), 10 + i) << lower[i];
  for (char c : std::string("Gg/:@` #\0", 9)) EXPECT_EQ(h2u(c), 0) << c;
}

TEST(ColourHelpers, ColourText) {
  const struct {
    const char* text;
    rgb_color color;
    std::string printed;
  } cases[] = {
      {"62B2B2", {98, 178, 178, 0}, ""},
      {"62b2b2", {98, 178, 178, 0}, ""},
      {"#62B2B2", {98, 178, 178, 0}, "#"},
      {"62B2B2FF", {98, 178, 178, 0}, ""},  // nothing behind the six digits is read
      {"ZZZZZZ", {0, 0, 0, 0}, ""},
      {"12x456", {0x12, 0x04, 0x56, 0}, ""},
      // Six characters with "#": the last digit position is the terminating zero.
      {"#62B2B", {98, 178, 176, 0}, "#"},
      {"#F", {240, 0, 0, 0}, "#"},
      {"", {0, 0, 0, 0}, ""},
  };
  for (const auto& c : cases) {
    rgb_color color{1, 2, 3, 4};
    EXPECT_EQ(CapturedStdout([&] { txt2col(c.text, &color); }), c.printed) << c.text;
    EXPECT_EQ(color, c.color) << c.text;
  }
}

TEST(ColourHelpers, TextColourIsDarkWhenAnyChannelIsBright) {
  const rgb_color dark{12, 12, 12, 225}, light{250, 250, 250, 225};
  const struct {
    rgb_color background, text;
  } cases[] = {{{121, 121, 121, 255}, light}, {{0, 0, 0, 0}, light},  {{122, 0, 0, 0}, dark},
               {{0, 122, 0, 0}, dark},        {{0, 0, 122, 0}, dark}, {{98, 178, 178, 255}, dark}};
  for (const auto& c : cases) EXPECT_EQ(GetTextCol(c.background), c.text);
}

}  // namespace
