// The window's controller: the password entry, the buttons, the check box, unknown messages, the
// information alert and the beep.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/Clock.h"
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
  EXPECT_EQ(window_->Bounds().Width(), 118.0f);
  EXPECT_EQ(window_->Bounds().Height(), 190.0f);
  const MainLayout& v = window_->Views();
  EXPECT_EQ(window_->ChildAt(0), v.backView);
  EXPECT_EQ(v.askFile->Text(), "-Drag a file-");
  EXPECT_EQ(v.askFile->ViewColor(), (rgb_color{250, 250, 250, 255}));
  EXPECT_EQ(v.backView->ViewColor(), backcolor);
  EXPECT_EQ(v.sBut->Label(), "Do it");
  EXPECT_EQ(v.decB->Label(), "Decode All");
  EXPECT_EQ(v.wBut->text(), "watch Folder");
  EXPECT_EQ(v.wBut->Value(), 0);
  EXPECT_EQ(v.sBut->geometry(), QRect(QPoint(6, 136), QPoint(112, 184)));
  EXPECT_EQ(v.decB->geometry(), QRect(QPoint(6, 105), QPoint(112, 130)));
  EXPECT_EQ(v.cview->geometry(), QRect(QPoint(6, 29), QPoint(112, 69)));
  EXPECT_EQ(v.wView->geometry(), QRect(QPoint(6, 75), QPoint(112, 100)));
  EXPECT_EQ(v.wBut->geometry(), QRect(QPoint(5, 3), QPoint(103, 20)));
  EXPECT_EQ(v.askView->geometry(), QRect(QPoint(6, 6), QPoint(112, 22)));
  EXPECT_EQ(v.askFile->geometry(), QRect(QPoint(2, 2), QPoint(104, 14)));
  EXPECT_TRUE(v.wView->IsSunken());
  EXPECT_FALSE(v.askView->IsSunken());
  EXPECT_FALSE(window_->State().passwordSet);
  EXPECT_TRUE(window_->State().currentPath.empty());
  // The program's icon is in the icon box.
  EXPECT_EQ(std::memcmp(v.cview->IconBitmap().Bits(), DataBBits, 1024), 0);
  EXPECT_FALSE(v.cview->IconBox()->ViewBitmap().isNull());
}

TEST_F(WindowTest, SavedWatchFlagStartsTheCheckBoxOn) {
  wtfold = 1;
  Open();
  EXPECT_EQ(window_->Views().wBut->Value(), 1);
  EXPECT_TRUE(window_->State().watch);
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
  Open();
  window_->Views().wBut->click();
  DeliverPosted();
  EXPECT_TRUE(window_->State().watch);
  window_->Views().wBut->click();
  DeliverPosted();
  EXPECT_FALSE(window_->State().watch);
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

struct AlertRecorder : plat::AlertHook {
  int Go(const std::string& title, const std::string& text, const std::string& button) override {
    shown.push_back({title, text, button});
    return 0;
  }
  std::vector<std::vector<std::string>> shown;
};

struct BeepCounter : plat::BeepHook {
  void Beep() override { ++beeps; }
  int beeps = 0;
};

}  // namespace

TEST_F(WindowTest, InformationAlertAndBeepGoThroughTheirHooks) {
  Open();
  AlertRecorder alerts;
  BeepCounter beeps;
  plat::SetAlertHook(&alerts);
  plat::SetBeepHook(&beeps);
  window_->AboutRequested();
  DoError(std::string(3000, 'x').c_str());
  static_cast<EngineView*>(window_)->Beep();
  plat::SetAlertHook(nullptr);
  plat::SetBeepHook(nullptr);

  ASSERT_EQ(alerts.shown.size(), 2u);
  EXPECT_EQ(alerts.shown[0], (std::vector<std::string>{"Autsch", "InfoBox", " Autch "}));
  EXPECT_EQ(alerts.shown[1][1].size(), 2047u);
  EXPECT_EQ(beeps.beeps, 1);
}

TEST_F(WindowTest, NewTextIsTheTimeCodeOfTheClock) {
  Open();
  std::tm when{};
  when.tm_sec = 59;
  when.tm_min = 7;
  when.tm_hour = 23;
  when.tm_year = 126;  // 2026
  when.tm_mon = 11;
  when.tm_mday = 31;
  plat::FixedClock clock(when);
  plat::SetClock(&clock);
  const char* text = window_->NewText();
  plat::SetClock(nullptr);
  EXPECT_EQ(std::string(text),
            std::string({char(72), char(19), char(34), char(85), char(33), char(54)}));
}
