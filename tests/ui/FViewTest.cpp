// The bevelled panel: which lines a redraw draws, where, and in which shades.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/gui/Colors.h"
#include "tests/ui/GuiTestSupport.h"
#include "ui/fView.h"

namespace {

constexpr rgb_color kBase = {98, 178, 178, 255};
constexpr rgb_color kGrey = {203, 203, 203, 27};

struct Expected {
  int x0, y0, x1, y1;
  float tint;
};

// The line table for bounds (0, 0)-(R, B) with the raised shades.
std::vector<Expected> RaisedTable(int R, int B) {
  return {{0, B, R, B, 1.295f},
          {R, B, R, 0, 1.295f},
          {R, 0, 0, 0, 1.295f},
          {0, 0, 0, B - 1, 1.295f},
          {1, B - 1, R - 1, B - 1, 1.147f},
          {R - 1, B - 1, R - 1, 1, 1.147f},
          {R - 1, 1, 1, 1, 0.65f},
          {1, 1, 1, B - 2, 0.65f},
          {R - 2, 2, 2, 2, 0.775f},
          {2, 2, 2, B - 3, 0.775f}};
}

// Raised and sunken exchange the 0.65/1.147 and the 0.775/1.295 shades.
float Sunken(float tint) {
  if (tint == 1.295f) return 0.775f;
  if (tint == 0.775f) return 1.295f;
  if (tint == 1.147f) return 0.65f;
  return 1.147f;
}

void ExpectLines(const fView& view, size_t count, rgb_color base, bool sunken) {
  const std::vector<fView::Line>& lines = view.Lines();
  ASSERT_EQ(lines.size(), count);
  const plat::Rect b = view.Bounds();
  std::vector<Expected> table = RaisedTable(int(b.right), int(b.bottom));
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE("line " + std::to_string(i + 1));
    EXPECT_EQ(lines[i].from, QPoint(table[i].x0, table[i].y0));
    EXPECT_EQ(lines[i].to, QPoint(table[i].x1, table[i].y1));
    float tint = sunken ? Sunken(table[i].tint) : table[i].tint;
    EXPECT_EQ(lines[i].color, plat::tint_color(base, tint));
  }
}

class FViewTest : public testing::Test {
 protected:
  void SetUp() override { TestApp(); }
};

}  // namespace

TEST_F(FViewTest, RaisedWithoutImageFillsAndDrawsTenLinesOfTheTable) {
  fView view(plat::Rect(6, 6, 112, 22), "askView", plat::B_FOLLOW_ALL_SIDES, plat::B_WILL_DRAW,
             false);
  view.SetViewColor(kBase);
  view.grab();
  EXPECT_TRUE(view.Filled());
  ExpectLines(view, 10, kBase, false);
  EXPECT_EQ(view.HighColor(), kBase);
  EXPECT_FLOAT_EQ(view.PenSize(), 1.6f);
}

TEST_F(FViewTest, SunkenMirrorsTheShadesOfRaised) {
  fView raised(plat::Rect(0, 0, 106, 25), "r", 0, plat::B_WILL_DRAW, false);
  fView sunken(plat::Rect(0, 0, 106, 25), "s", 0, plat::B_WILL_DRAW, true);
  raised.SetViewColor(kBase);
  sunken.SetViewColor(kBase);
  raised.grab();
  sunken.grab();
  ExpectLines(raised, 10, kBase, false);
  ExpectLines(sunken, 10, kBase, true);
  // The outer ring is darker than the base when raised and lighter when sunken.
  EXPECT_LT(raised.Lines()[0].color.green, kBase.green);
  EXPECT_GT(sunken.Lines()[0].color.green, kBase.green);

  // A new view colour reshades every ring at the next redraw.
  const rgb_color other = {20, 40, 60, 255};
  sunken.SetViewColor(other);
  sunken.Invalidate();
  sunken.grab();
  ExpectLines(sunken, 10, other, true);
}

TEST_F(FViewTest, WithImageLeavesTheFillOutAndShadesEightLinesFromTheGrey) {
  fView view(plat::Rect(0, 0, 118, 190), "backview", plat::B_FOLLOW_ALL_SIDES, plat::B_WILL_DRAW,
             false);
  view.SetViewColor(rgb_color{200, 10, 10, 255});
  view.hasImage = true;
  view.grab();
  EXPECT_FALSE(view.Filled());
  ExpectLines(view, 8, kGrey, false);
  EXPECT_EQ(view.MenuCol(), kGrey);
}

TEST_F(FViewTest, RingsLandOnePixelApartOnScreen) {
  fView view(plat::Rect(0, 0, 19, 9), "v", 0, plat::B_WILL_DRAW, false);
  view.SetViewColor(kBase);
  QImage image = view.grab().toImage();
  auto at = [&](int x, int y) { return plat::FromQColor(image.pixelColor(x, y)); };
  auto shade = [&](float tint) {
    rgb_color c = plat::tint_color(kBase, tint);
    c.alpha = 255;
    return c;
  };
  EXPECT_EQ(at(0, 5), shade(1.295f));   // outer ring, left
  EXPECT_EQ(at(1, 5), shade(0.65f));    // second ring, left
  EXPECT_EQ(at(2, 5), shade(0.775f));   // third ring, left
  EXPECT_EQ(at(10, 9), shade(1.295f));  // outer ring, bottom
  EXPECT_EQ(at(10, 8), shade(1.147f));  // second ring, bottom
  EXPECT_EQ(at(10, 5), kBase);          // the fill
}
