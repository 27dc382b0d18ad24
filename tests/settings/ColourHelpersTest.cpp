#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "settings/ColourHelpers.h"

namespace {

// txt2col's result and what it printed.
struct Parsed {
  rgb_color color;
  std::string out;
};

Parsed Parse(const char* text) {
  Parsed p{{1, 2, 3, 4}, {}};
  fflush(stdout);
  testing::internal::CaptureStdout();
  txt2col(text, &p.color);
  fflush(stdout);
  p.out = testing::internal::GetCapturedStdout();
  return p;
}

TEST(ColourHelpers, HexDigitValues) {
  const std::string digits = "0123456789ABCDEF", lower = "abcdef";
  for (size_t i = 0; i < digits.size(); ++i) EXPECT_EQ(h2u(digits[i]), i) << digits[i];
  for (size_t i = 0; i < lower.size(); ++i) EXPECT_EQ(h2u(lower[i]), 10 + i) << lower[i];
  for (char c : std::string("Gg/:@` #\0", 9)) EXPECT_EQ(h2u(c), 0) << c;
}

TEST(ColourHelpers, ColourTextInEitherCaseWithOrWithoutHash) {
  const rgb_color teal{98, 178, 178, 0};
  Parsed upper = Parse("62B2B2");
  EXPECT_EQ(upper.color, teal);
  EXPECT_EQ(upper.out, "");
  EXPECT_EQ(Parse("62b2b2").color, teal);
  Parsed hashed = Parse("#62B2B2");
  EXPECT_EQ(hashed.color, teal);
  EXPECT_EQ(hashed.out, "#");
  // Nothing behind the six digits is read.
  EXPECT_EQ(Parse("62B2B2FF").color, teal);
}

TEST(ColourHelpers, MissingAndInvalidDigitsCountAsZero) {
  EXPECT_EQ(Parse("ZZZZZZ").color, (rgb_color{0, 0, 0, 0}));
  // Six characters with "#": the last digit position is the terminating zero.
  EXPECT_EQ(Parse("#62B2B").color, (rgb_color{98, 178, 176, 0}));
  EXPECT_EQ(Parse("#F").color, (rgb_color{240, 0, 0, 0}));
  EXPECT_EQ(Parse("").color, (rgb_color{0, 0, 0, 0}));
  EXPECT_EQ(Parse("12x456").color, (rgb_color{0x12, 0x04, 0x56, 0}));
}

TEST(ColourHelpers, TextColourIsDarkWhenAnyChannelIsBright) {
  EXPECT_EQ(GetTextCol({121, 121, 121, 255}), (rgb_color{250, 250, 250, 225}));
  EXPECT_EQ(GetTextCol({0, 0, 0, 0}), (rgb_color{250, 250, 250, 225}));
  EXPECT_EQ(GetTextCol({122, 0, 0, 0}), (rgb_color{12, 12, 12, 225}));
  EXPECT_EQ(GetTextCol({0, 122, 0, 0}), (rgb_color{12, 12, 12, 225}));
  EXPECT_EQ(GetTextCol({0, 0, 122, 0}), (rgb_color{12, 12, 12, 225}));
  EXPECT_EQ(GetTextCol({98, 178, 178, 0}), (rgb_color{12, 12, 12, 225}));
}

}  // namespace
