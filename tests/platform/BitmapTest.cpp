// The fixed colour map and colour-mapped pictures.
#include <gtest/gtest.h>

#include <QImage>
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

TEST(BitmapTest, ToImageGoesThroughTheColorMap) {
  plat::Bitmap bitmap(16, 16);
  EXPECT_EQ(bitmap.BitsLength(), 256u);
  uint8_t bits[300];
  for (int i = 0; i < 300; ++i) bits[i] = uint8_t(i);
  bitmap.SetBits(bits, sizeof bits);  // the surplus is ignored
  QImage image = bitmap.ToImage();
  ASSERT_EQ(image.size(), QSize(16, 16));
  const rgb_color* map = plat::SystemColorMap();
  for (int index : {0, 17, 100, 254}) {
    QRgb p = image.pixel(index % 16, index / 16);
    EXPECT_EQ(rgb_color({uint8_t(qRed(p)), uint8_t(qGreen(p)), uint8_t(qBlue(p)), 255}), map[index])
        << index;
  }
  EXPECT_EQ(qAlpha(image.pixel(15, 15)), 0);  // index 255
}
