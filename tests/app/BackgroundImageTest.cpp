// The background image in the settings folder: tiled over the window, the views greyed, and a
// later colour drop changing the saved colour but not the grey.
#include <gtest/gtest.h>

#include <QImage>
#include <QMimeData>

#include "tests/app/WindowTestSupport.h"

TEST_F(WindowTest, PngInTheSettingsFolderTilesTheWindowAndGreysTheViews) {
  // A 5 x 7 picture in which every pixel differs, so that tiling shows in the window.
  QImage picture(5, 7, QImage::Format_RGB32);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 5; ++x) picture.setPixel(x, y, qRgb(40 * x, 30 * y, 200));
  ASSERT_TRUE(picture.save(QString::fromStdString(settingsFolder_ + "/murvel_image"), "PNG"));
  Open();

  const fView* back = window_->Views().backView;
  EXPECT_TRUE(back->hasImage);
  EXPECT_TRUE(back->ViewBitmapTiled());
  const rgb_color grey = {203, 203, 203, 27};
  ExpectViewsIn(grey);

  // Inside the two rings, between the panels, the picture shows tiled.
  QImage shot = window_->grab().toImage();
  for (QPoint p : {QPoint(3, 100), QPoint(60, 25), QPoint(115, 72)})
    EXPECT_EQ(shot.pixel(p), picture.pixel(p.x() % 5, p.y() % 7)) << p.x() << "," << p.y();

  QMimeData colour;
  colour.setText("112233");
  DragAndDrop(window_, colour, QPoint(3, 100));
  DeliverPosted();
  EXPECT_EQ(window_->CurrentSettings().backcolor, (rgb_color{0x11, 0x22, 0x33, 0}));
  ExpectViewsIn(grey);
}
