// Closing the window saves position, colour and watch flag, and codes the codec folder only when
// the watch flag and a password are both there; moving it keeps the new position, which the
// next start opens at (see the start-up tests).
#include <gtest/gtest.h>

#include "tests/app/WindowTestSupport.h"

TEST_F(WindowTest, ClosingSavesTheSettingsAndScansOnlyWithWatchFlagAndPassword) {
  const struct {
    bool watch, password;
    int scans;
  } cases[] = {{false, false, 0}, {true, false, 0}, {false, true, 0}, {true, true, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "watch " << c.watch << ", password " << c.password);
    Open();
    if (c.password) Post(plat::Message(CW_PASS));
    if (c.watch) Click(window_->Views().wBut);
    EXPECT_TRUE(window_->close());
    EXPECT_EQ(window_->scans, c.scans);
    EXPECT_EQ(window_->CurrentSettings().wtfold, c.watch ? 1 : 0);
    EXPECT_EQ(ReadFile(SettingsFile()), SettingsBytes(30, 50, {98, 178, 178, 255}, c.watch));
    delete window_;
    window_ = nullptr;
  }
}

TEST_F(WindowTest, MovingStoresTheContentAreaPosition) {
  Open();
  window_->move(400, 300);  // the frame's corner; the content area lies inside the frame
  DeliverPosted();
  const QPoint content = window_->geometry().topLeft();
  EXPECT_EQ(window_->CurrentSettings().WIN_X, float(content.x()));
  EXPECT_EQ(window_->CurrentSettings().WIN_Y, float(content.y()));
  window_->close();
  EXPECT_EQ(ReadFile(SettingsFile()),
            SettingsBytes(content.x(), content.y(), {98, 178, 178, 255}, 0));
}
