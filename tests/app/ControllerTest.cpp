// The window's controller: the password entry, the buttons, the check box, unknown messages, the
// information alert and the beep.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/gui/Alert.h"
#include "platform/gui/Beep.h"
#include "platform/gui/Button.h"
#include "platform/gui/CheckBox.h"
#include "platform/gui/StringView.h"
#include "platform/gui/TextControl.h"
#include "tests/app/WindowTestSupport.h"
#include "ui/CodeView.h"
#include "ui/fView.h"

TEST_F(WindowTest, StartsEmptyWithTheLayoutInPlace) {
  std::string out = CapturedStdout([&] { Open(); });
  EXPECT_NE(out.find("xB.Width()=118.00\n"), std::string::npos);
  EXPECT_EQ(window_->windowTitle(), "Murvel");
  EXPECT_EQ(window_->Frame().ToQRect(), QRect(QPoint(30, 50), QPoint(148, 240)));
  const MainLayout& v = window_->Views();
  EXPECT_EQ(window_->ChildAt(0), v.backView);
  EXPECT_EQ(v.askFile->Text(), "-Drag a file-");
  EXPECT_EQ(v.askFile->ViewColor(), (rgb_color{250, 250, 250, 255}));
  EXPECT_EQ(v.backView->ViewColor(), backcolor);
  EXPECT_EQ(v.wBut->Value(), 0);
  EXPECT_EQ(v.sBut->geometry(), QRect(QPoint(6, 136), QPoint(112, 184)));
  EXPECT_EQ(v.wBut->mapTo(window_, QPoint(0, 0)), QPoint(11, 78));
  EXPECT_EQ(std::memcmp(v.cview->IconBitmap().Bits(), DataBBits, 1024), 0);
  EXPECT_EQ(v.cview->IconBox()->ViewBitmap(), v.cview->IconBitmap().ToImage());
}

TEST_F(WindowTest, PasswordEntryKeepsTwentyCharactersAndIsMasked) {
  Open();
  plat::TextControl* entry = window_->Views().cview->PassControl();
  TypeText(entry, "abcdefghijklmnopqrstuvwxy");
  PressKey(entry, Qt::Key_Return);
  DeliverPosted();
  EXPECT_TRUE(window_->State().passwordSet);
  EXPECT_STREQ(window_->State().password, "abcdefghijklmnopqrst");
  EXPECT_EQ(entry->Text(), "******");
  EXPECT_STREQ(window_->Views().cview->GetPass(), "******");

  // A later entry replaces the password.
  entry->MakeFocus(true);
  TypeText(entry, "kurz");
  PressKey(entry, Qt::Key_Return);
  DeliverPosted();
  EXPECT_STREQ(window_->State().password, "kurz");
  EXPECT_EQ(entry->Text(), "******");
}

TEST_F(WindowTest, DecodeAllWaitsForAPassword) {
  Open();
  window_->Views().decB->click();
  DeliverPosted();
  EXPECT_EQ(window_->decodeAlls, 0);
  Post(plat::Message(CW_PASS));
  window_->Views().decB->click();
  DeliverPosted();
  EXPECT_EQ(window_->decodeAlls, 1);
}

TEST_F(WindowTest, WatchFlagFollowsTheCheckBoxAndDoItRunsXWork) {
  wtfold = 1;
  Open();
  EXPECT_TRUE(window_->State().watch);
  EXPECT_EQ(window_->Views().wBut->Value(), 1);
  window_->Views().wBut->click();
  DeliverPosted();
  EXPECT_FALSE(window_->State().watch);
  window_->Views().wBut->click();
  DeliverPosted();
  EXPECT_TRUE(window_->State().watch);
  window_->Views().sBut->click();
  DeliverPosted();
  EXPECT_EQ(window_->works, 1);
}

TEST_F(WindowTest, FileMessageMakesTheCurrentFile) {
  Open();
  plat::Message noRefs(plat::B_SIMPLE_DATA);
  Post(noRefs);
  EXPECT_TRUE(window_->checked.empty());
  EXPECT_EQ(window_->Views().askFile->Text(), "-Drag a file-");

  plat::Message file(plat::B_SIMPLE_DATA);
  file.AddRef("refs", "/tmp/a/../b.txt");
  file.AddRef("refs", "/tmp/c.txt");
  Post(file);
  ASSERT_EQ(window_->checked.size(), 1u);
  EXPECT_EQ(window_->checked[0], "/tmp/a/../b.txt");  // as given, not normalised
  EXPECT_TRUE(window_->labelled);
  EXPECT_EQ(window_->Views().askFile->Text(), "/tmp/a/../b.txt");
}

TEST_F(WindowTest, UnknownCodeChangesNothing) {
  Open();
  const rgb_color before = backcolor;
  plat::Message odd(plat::FourCC("ZZZZ"));
  odd.AddRef("refs", "/tmp/x");
  odd.AddData("text/plain", plat::B_MIME_TYPE, "000000", 6);
  Post(odd);
  EXPECT_EQ(backcolor, before);
  EXPECT_TRUE(window_->checked.empty());
  EXPECT_TRUE(window_->State().currentPath.empty());
  EXPECT_FALSE(window_->State().passwordSet);
  EXPECT_EQ(window_->works + window_->decodeAlls + window_->scans, 0);
}

namespace {

struct RecordingHooks : plat::AlertHook, plat::BeepHook {
  int Go(const std::string& title, const std::string& text, const std::string& button) override {
    alerts.push_back({title, text, button});
    return 0;
  }
  void Beep() override { ++beeps; }
  std::vector<std::vector<std::string>> alerts;
  int beeps = 0;
};

}  // namespace

TEST_F(WindowTest, InformationAlertAndBeepGoThroughTheirHooks) {
  Open();
  RecordingHooks hooks;
  plat::SetAlertHook(&hooks);
  plat::SetBeepHook(&hooks);
  window_->AboutRequested();
  DoError(std::string(3000, 'x').c_str());
  static_cast<EngineView*>(window_)->Beep();
  plat::SetAlertHook(nullptr);
  plat::SetBeepHook(nullptr);
  ASSERT_EQ(hooks.alerts.size(), 2u);
  EXPECT_EQ(hooks.alerts[0], (std::vector<std::string>{"Autsch", "InfoBox", " Autch "}));
  EXPECT_EQ(hooks.alerts[1][1].size(), 2047u);
  EXPECT_EQ(hooks.beeps, 1);
}
