// The password panel: what GetPass hands out, the recolouring, the icon box, and that it keeps
// the messages that reach it.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/gui/Colors.h"
#include "platform/gui/StringView.h"
#include "platform/gui/TextControl.h"
#include "tests/platform/TempHome.h"
#include "tests/ui/GuiTestSupport.h"
#include "ui/CodeView.h"
#include "ui/fView.h"

namespace {

constexpr rgb_color kDarkText = {12, 12, 12, 225};
constexpr rgb_color kLightText = {250, 250, 250, 225};

class CodeViewTest : public testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    window_ = new RecordingWindow;
    view_ = new CodeView(plat::Rect(6, 29, 112, 69), "cview");
    window_->AddChild(view_);
  }
  void TearDown() override { delete window_; }

  RecordingWindow* window_;
  CodeView* view_;
};

}  // namespace

TEST_F(CodeViewTest, GetPassHandsOutAtMostTwentyCharacters) {
  plat::TextControl* entry = view_->PassControl();
  EXPECT_STREQ(view_->GetPass(), "");

  entry->SetText("abcdefghijklmnopqrst");
  EXPECT_STREQ(view_->GetPass(), "abcdefghijklmnopqrst");

  entry->SetText("abcdefghijklmnopqrstuvwxy");
  char* pass = view_->GetPass();
  EXPECT_EQ(std::strlen(pass), 20u);
  EXPECT_STREQ(pass, "abcdefghijklmnopqrst");

  // A shorter entry afterwards leaves nothing of the longer one behind.
  entry->SetText("xyz");
  pass = view_->GetPass();
  EXPECT_STREQ(pass, "xyz");
  for (int i = 3; i <= 20; ++i) EXPECT_EQ(pass[i], '\0') << i;

  view_->CWSetText("******");
  EXPECT_STREQ(view_->GetPass(), "******");
}

TEST_F(CodeViewTest, BuildsItsChildrenAtTheirFrames) {
  EXPECT_EQ(view_->BackgroundBox()->Frame().ToQRect(), QRect(0, 0, 107, 41));
  EXPECT_TRUE(view_->BackgroundBox()->IsSunken());
  EXPECT_EQ(view_->IconBox()->geometry(), QRect(QPoint(5, 5), QPoint(36, 36)));
  EXPECT_EQ(view_->PassControl()->geometry(), QRect(QPoint(40, 17), QPoint(100, 38)));
  EXPECT_EQ(view_->Label()->geometry(), QRect(QPoint(44, 5), QPoint(100, 18)));
  EXPECT_EQ(view_->Label()->Text(), "Passwort:");
  EXPECT_TRUE(view_->PassControl()->IsTypingHidden());
  EXPECT_EQ(view_->ViewColor(), HOTSP);
  EXPECT_EQ(view_->Label()->HighColor(), kDarkText);
  float w = 0, h = 0;
  view_->CWGetPreferredSize(&w, &h);
  EXPECT_EQ(w, 142.0f);
  EXPECT_EQ(h, 46.0f);
}

TEST_F(CodeViewTest, NewColorPicksTheReadableTextColour) {
  view_->NewColor(HOTSP);
  EXPECT_EQ(view_->Label()->HighColor(), kDarkText);
  EXPECT_EQ(view_->BackgroundBox()->ViewColor(), HOTSP);
  EXPECT_EQ(view_->HighColor(), kDarkText);

  const rgb_color dim = {121, 121, 121, 255};
  view_->NewColor(dim);
  EXPECT_EQ(view_->Label()->HighColor(), kLightText);
  EXPECT_EQ(view_->Label()->ViewColor(), dim);
  EXPECT_EQ(view_->BackgroundBox()->HighColor(), kLightText);
  EXPECT_EQ(view_->BackgroundBox()->LowColor(), dim);
  EXPECT_EQ(view_->PassControl()->ViewColor(), dim);
  // The panel's own view colour is the window's business.
  EXPECT_EQ(view_->ViewColor(), HOTSP);
}

TEST_F(CodeViewTest, IconBytesBecomeTheTiledIconBoxBitmap) {
  uint8_t bits[1024];
  for (int i = 0; i < 1024; ++i) bits[i] = uint8_t(i % 7 == 0 ? 255 : i % 256);
  view_->CWViewIcon(bits);
  EXPECT_EQ(std::memcmp(view_->IconBitmap().Bits(), bits, 1024), 0);
  const QImage& shown = view_->IconBox()->ViewBitmap();
  ASSERT_EQ(shown.size(), QSize(32, 32));
  EXPECT_TRUE(view_->IconBox()->ViewBitmapTiled());
  plat::Bitmap expected(32, 32);
  expected.SetBits(bits, 1024);
  EXPECT_EQ(shown, expected.ToImage());
  // The caller keeps its bytes; changing them later does not change the icon.
  bits[0] = 1;
  EXPECT_EQ(view_->IconBitmap().Bits()[0], 255);
}

TEST_F(CodeViewTest, KeepsAndLogsWhatReachesIt) {
  plat::Message file(plat::B_SIMPLE_DATA);
  file.AddRef("refs", "/tmp/some file");
  file.SetDropped(true);
  // Posted to the label inside the panel: it passes up to the panel, which keeps it.
  window_->PostMessage(file, view_->Label());
  std::string out = CapturedStdout([] { DeliverPosted(); });
  EXPECT_EQ(out, "**CODEVIEW**\n" + file.Dump());
  EXPECT_NE(out.find("/tmp/some file"), std::string::npos);
  EXPECT_TRUE(window_->received.empty());
}

TEST_F(CodeViewTest, CommittedEntrySendsCwPassToTheWindow) {
  TypeText(view_->PassControl(), "geheim");
  EXPECT_EQ(view_->PassControl()->Text(), "geheim");
  EXPECT_EQ(view_->PassControl()->echoMode(), QLineEdit::Password);
  PressKey(view_->PassControl(), Qt::Key_Return);
  DeliverPosted();
  ASSERT_EQ(window_->received.size(), 1u);
  EXPECT_EQ(window_->received[0].what, CW_PASS);
}
