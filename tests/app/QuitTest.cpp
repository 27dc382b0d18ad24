// Closing the window saves position, colour and watch flag, and codes the codec folder only when
// the watch flag and a password are both there; moving it keeps the new position.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/gui/CheckBox.h"
#include "tests/app/WindowTestSupport.h"
#include "ui/CodeView.h"

namespace {

std::string SettingsBytes(float x, float y, rgb_color c, uint8_t flag) {
  std::string out(13, '\0');
  std::memcpy(&out[0], &x, 4);
  std::memcpy(&out[4], &y, 4);
  std::memcpy(&out[8], &c, 4);
  out[12] = char(flag);
  return out;
}

}  // namespace

TEST_F(WindowTest, ClosingSavesTheSettingsWithoutAScanWhenNoPasswordWasEntered) {
  Open();
  window_->Views().wBut->click();
  DeliverPosted();
  EXPECT_TRUE(window_->close());
  EXPECT_EQ(window_->scans, 0);
  EXPECT_EQ(wtfold, 1);
  EXPECT_EQ(ReadFile(SettingsFile()), SettingsBytes(30, 50, rgb_color{98, 178, 178, 255}, 1));
}

TEST_F(WindowTest, ClosingWithAPasswordButNoWatchFlagDoesNotScan) {
  Open();
  Post(plat::Message(CW_PASS));
  EXPECT_TRUE(window_->close());
  EXPECT_EQ(window_->scans, 0);
  EXPECT_EQ(ReadFile(SettingsFile()), SettingsBytes(30, 50, rgb_color{98, 178, 178, 255}, 0));
}

TEST_F(WindowTest, ClosingScansWithTheWatchFlagAndAPassword) {
  Open();
  Post(plat::Message(CW_PASS));
  window_->Views().wBut->click();
  DeliverPosted();
  EXPECT_TRUE(window_->close());
  EXPECT_EQ(window_->scans, 1);
  EXPECT_EQ(wtfold, 1);
  EXPECT_EQ(ReadFile(SettingsFile()).size(), 13u);
}

TEST_F(WindowTest, MovedWindowReopensWhereItWasWithoutCreeping) {
  Open();
  window_->move(400, 300);  // the frame's corner; the content area lies inside the frame
  DeliverPosted();
  const QPoint content = window_->geometry().topLeft();
  EXPECT_EQ(WIN_X, float(content.x()));
  EXPECT_EQ(WIN_Y, float(content.y()));
  window_->close();
  const std::string saved = ReadFile(SettingsFile());
  EXPECT_EQ(saved.substr(0, 8), SettingsBytes(content.x(), content.y(), {}, 0).substr(0, 8));

  // The next start places the content area there, and closing again stores the same spot.
  delete window_;
  window_ = nullptr;
  ResetSettings();
  ASSERT_TRUE(Getsettings("murvel_settings"));
  window_ = new ProbeWindow(plat::Rect(WIN_X, WIN_Y, WIN_W, WIN_H));
  DeliverPosted();
  EXPECT_EQ(window_->geometry(), QRect(content, QSize(119, 191)));
  window_->close();
  EXPECT_EQ(ReadFile(SettingsFile()), saved);
}
