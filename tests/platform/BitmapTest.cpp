// The fixed colour map.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "platform/Bitmap.h"

TEST(ColorMapTest, EveryOpaqueEntryIsItsOwnNearestColour) {
  const rgb_color* map = plat::SystemColorMap();
  EXPECT_EQ(map[0], (rgb_color{0, 0, 0, 255}));
  EXPECT_EQ(map[255].alpha, 0);
  std::set<std::tuple<int, int, int>> distinct;
  for (int i = 0; i < 255; ++i) {
    EXPECT_EQ(map[i].alpha, 255) << i;
    distinct.insert({map[i].red, map[i].green, map[i].blue});
    EXPECT_EQ(plat::NearestColorIndex(map[i]), i) << i;
  }
  EXPECT_EQ(distinct.size(), 255u);
  EXPECT_EQ(plat::NearestColorIndex({10, 20, 30, 0}), 255);
  EXPECT_EQ(plat::NearestColorIndex({1, 2, 1, 255}), 0);
}
