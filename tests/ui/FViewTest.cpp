// The bevelled panel: which lines a redraw draws, where, and in which shades.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/gui/Colors.h"
#include "tests/ui/GuiTestSupport.h"
#include "ui/fView.h"

namespace {

constexpr rgb_color kBase = {98, 178, 178, 255};
constexpr rgb_color kGrey = {203, 203, 203, 27};

// The line table for bounds (0, 0)-(R, B), with the raised and the sunken shade of each line.
struct Expected {
  int x0, y0, x1, y1;
  float raised, sunken;
};
std::vector<Expected> LineTable(int R, int B) {
  return {{0, B, R, B, 1.295f, 0.775f},
          {R, B, R, 0, 1.295f, 0.775f},
          {R, 0, 0, 0, 1.295f, 0.775f},
          {0, 0, 0, B - 1, 1.295f, 0.775f},
          {1, B - 1, R - 1, B - 1, 1.147f, 0.65f},
          {R - 1, B - 1, R - 1, 1, 1.147f, 0.65f},
          {R - 1, 1, 1, 1, 0.65f, 1.147f},
          {1, 1, 1, B - 2, 0.65f, 1.147f},
          {R - 2, 2, 2, 2, 0.775f, 1.295f},
          {2, 2, 2, B - 3, 0.775f, 1.295f}};
}

// Redraws `view` and checks its lines against the table, shaded from `base`.
void ExpectLines(fView& view, size_t count, rgb_color base) {
  view.grab();
  const std::vector<fView::Line>& lines = view.Lines();
  ASSERT_EQ(lines.size(), count);
  const plat::Rect b = view.Bounds();
  std::vector<Expected> table = LineTable(int(b.right), int(b.bottom));
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE("line " + std::to_string(i + 1));
    EXPECT_EQ(lines[i].from, QPoint(table[i].x0, table[i].y0));
    EXPECT_EQ(lines[i].to, QPoint(table[i].x1, table[i].y1));
    EXPECT_EQ(lines[i].color,
              plat::tint_color(base, view.IsSunken() ? table[i].sunken : table[i].raised));
  }
}

class FViewTest : public testing::Test {
 protected:
  void SetUp() override { TestApp(); }
};

}  // namespace

TEST_F(FViewTest, DrawsTheLineTableRaisedOrSunkenWithOrWithoutImage) {
  for (bool sunken : {false, true}) {
    for (bool image : {false, true}) {
      SCOPED_TRACE(testing::Message() << "sunken " << sunken << ", image " << image);
      fView view(plat::Rect(6, 75, 112, 100), "v", sunken);
      view.SetViewColor(kBase);
      view.hasImage = image;
      const rgb_color base = image ? kGrey : kBase;  // with an image, the grey whatever the colour
      ExpectLines(view, image ? 8 : 10, base);
      EXPECT_EQ(view.Filled(), !image);
      EXPECT_EQ(view.HighColor(), base);
      EXPECT_FLOAT_EQ(view.PenSize(), 1.6f);
      // The outer ring is darker than the base when raised, lighter when sunken.
      EXPECT_EQ(view.Lines()[0].color.green < base.green, !sunken);
      // A new view colour reshades every ring at the next redraw (none with an image).
      view.SetViewColor(rgb_color{20, 40, 60, 255});
      ExpectLines(view, image ? 8 : 10, image ? kGrey : rgb_color{20, 40, 60, 255});
    }
  }
}

TEST_F(FViewTest, RingsLandOnePixelApartOnScreen) {
  fView view(plat::Rect(0, 0, 19, 9), "v", false);
  view.SetViewColor(kBase);
  QImage image = view.grab().toImage();
  // Outer, second and third ring at the left; outer and second ring at the bottom; the fill.
  const struct {
    int x, y;
    float tint;
  } pixels[] = {{0, 5, 1.295f},  {1, 5, 0.65f},   {2, 5, 0.775f},
                {10, 9, 1.295f}, {10, 8, 1.147f}, {10, 5, 1.0f}};
  for (const auto& p : pixels)
    EXPECT_EQ(plat::FromQColor(image.pixelColor(p.x, p.y)), plat::tint_color(kBase, p.tint))
        << p.x << "," << p.y;
}
