// The window's controller: the layout it opens with, the password entry, the buttons, the check
// box, files handed to it, unknown messages, the information alert and the beep.
#include <gtest/gtest.h>

#include "app/DoError.h"
#include "desktop/ProgramIcons.h"
#include "platform/gui/Alert.h"
#include "platform/gui/Beep.h"
#include "platform/gui/TextControl.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/platform/DumpFlags.h"

TEST_F(WindowTest, StartsEmptyWithTheLayoutInPlace) {
  std::string out = CapturedStdout([&] { Open(); });
  EXPECT_EQ(out, "xB.Width()=118.00\n");
  EXPECT_EQ(window_->windowTitle(), "Murvel");
  EXPECT_EQ(window_->Frame().ToQRect(), QRect(QPoint(30, 50), QPoint(148, 240)));
  const MainLayout& v = window_->Views();
  EXPECT_EQ(v.askFile->Text(), "-Drag a file-");
  ExpectViewsIn(rgb_color{98, 178, 178, 255});
  EXPECT_EQ(v.wBut->Value(), 0);
  EXPECT_EQ(v.sBut->geometry(), QRect(QPoint(6, 136), QPoint(112, 184)));
  EXPECT_EQ(v.wBut->mapTo(window_, QPoint(0, 0)), QPoint(11, 78));
  EXPECT_EQ(window_->focusWidget(), v.cview->PassControl());
  plat::Bitmap icon(32, 32);
  icon.SetBits(DataBBits, 1024);
  EXPECT_EQ(v.cview->IconBox()->ViewBitmap(), icon.ToImage());
  // The label's colon stays inside its 57-pixel frame.
  QFontMetrics label(v.cview->Label()->font());
  EXPECT_LE(label.horizontalAdvance("Passwort:"), v.cview->Label()->width());
}

TEST_F(WindowTest, PasswordEntryKeepsTwentyCharactersAndIsMasked) {
  Open();
  plat::TextControl* entry = window_->Views().cview->PassControl();
  const struct {
    const char* typed;
    const char* kept;
  } cases[] = {{"", ""}, {"abcdefghijklmnopqrstuvwxy", "abcdefghijklmnopqrst"}, {"kurz", "kurz"}};
  for (const auto& c : cases) {
    entry->MakeFocus(true);
    TypeText(entry, c.typed);
    PressKey(entry, Qt::Key_Return);
    DeliverPosted();
    EXPECT_TRUE(window_->State().passwordSet);
    EXPECT_STREQ(window_->State().password, c.kept);
    EXPECT_TRUE(LeftOutOfCoreDumps(window_->State().password));
    EXPECT_EQ(entry->Text(), "******");
    EXPECT_NE(window_->focusWidget(), entry);
  }
}

TEST_F(WindowTest, DecodeAllWaitsForAPassword) {
  Open();
  Click(window_->Views().decB);
  EXPECT_EQ(window_->decodeAlls, 0);
  Post(plat::Message(CW_PASS));
  Click(window_->Views().decB);
  EXPECT_EQ(window_->decodeAlls, 1);
}

TEST_F(WindowTest, WatchFlagFollowsTheCheckBoxAndDoItRunsXWork) {
  Settings watching;
  watching.wtfold = 1;
  Open(watching);
  EXPECT_EQ(window_->CurrentSettings().wtfold, 1);
  EXPECT_EQ(window_->Views().wBut->Value(), 1);
  Click(window_->Views().wBut);
  EXPECT_EQ(window_->CurrentSettings().wtfold, 0);
  Click(window_->Views().wBut);
  EXPECT_EQ(window_->CurrentSettings().wtfold, 1);
  Click(window_->Views().sBut);  // without a password all the same: XWork decides
  EXPECT_EQ(window_->works, 1);
}

TEST_F(WindowTest, FileMessageMakesTheCurrentFile) {
  Open();
  Post(plat::Message(plat::B_SIMPLE_DATA));  // no "refs": nothing happens
  EXPECT_TRUE(window_->checked.empty());
  EXPECT_EQ(window_->Views().askFile->Text(), "-Drag a file-");

  plat::Message file(plat::B_SIMPLE_DATA);
  file.AddRef("refs", "/tmp/a/../b.txt");
  file.AddRef("refs", "/tmp/c.txt");
  Post(file);
  ASSERT_EQ(window_->checked, std::vector<std::string>{"/tmp/a/../b.txt"});  // not normalised
  EXPECT_TRUE(window_->labelled);
  EXPECT_EQ(window_->Views().askFile->Text(), "/tmp/a/../b.txt");
}

TEST_F(WindowTest, UnknownCodeChangesNothing) {
  Open();
  plat::Message odd(plat::FourCC("ZZZZ"));
  odd.AddRef("refs", "/tmp/x");
  odd.AddData("text/plain", plat::B_MIME_TYPE, "000000", 6);
  Post(odd);
  ExpectViewsIn(rgb_color{98, 178, 178, 255});
  EXPECT_TRUE(window_->State().currentPath.empty());
  EXPECT_FALSE(window_->State().passwordSet);
  EXPECT_EQ(window_->checked.size() + window_->works + window_->decodeAlls + window_->scans, 0u);
}

TEST_F(WindowTest, AlertAndBeepGoThroughTheirHooks) {
  struct Recorder : plat::AlertHook, plat::BeepHook {
    int Go(const std::string& title, const std::string& text, const std::string& button) override {
      alerts.push_back({title, text, button});
      return 0;
    }
    void Beep() override { ++beeps; }
    std::vector<std::vector<std::string>> alerts;
    int beeps = 0;
  } hooks;
  Open();
  plat::SetAlertHook(&hooks);
  plat::SetBeepHook(&hooks);
  window_->AboutRequested();
  DoError(std::string(3000, 'x').c_str());
  plat::beep();
  plat::SetAlertHook(nullptr);
  plat::SetBeepHook(nullptr);
  ASSERT_EQ(hooks.alerts.size(), 2u);
  EXPECT_EQ(hooks.alerts[0], (std::vector<std::string>{"Autsch", "InfoBox", " Autch "}));
  EXPECT_EQ(hooks.alerts[1][1], std::string(2047, 'x'));
  EXPECT_EQ(hooks.beeps, 1);
}

TEST_F(WindowTest, TabReachesTheControlsAndSpaceOrEnterPressesThem) {
  Open();
  const MainLayout& v = window_->Views();
  Post(plat::Message(CW_PASS));  // a password, so that "Decode All" acts
  v.cview->PassControl()->MakeFocus(true);
  std::vector<QWidget*> reached;
  for (int i = 0; i < 4; ++i) {
    PressKey(window_->focusWidget(), Qt::Key_Tab);
    reached.push_back(window_->focusWidget());
  }
  EXPECT_EQ(reached, (std::vector<QWidget*>{v.wBut, v.decB, v.sBut, v.cview->PassControl()}));

  auto press = [&](QWidget* control, Qt::Key key) {
    control->setFocus(Qt::TabFocusReason);
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
      QKeyEvent event(type, key, Qt::NoModifier, key == Qt::Key_Space ? " " : "\r");
      QCoreApplication::sendEvent(control, &event);
    }
    DeliverPosted();
  };
  press(v.wBut, Qt::Key_Space);
  EXPECT_EQ(window_->CurrentSettings().wtfold, 1);
  press(v.wBut, Qt::Key_Return);
  EXPECT_EQ(window_->CurrentSettings().wtfold, 0);
  press(v.decB, Qt::Key_Enter);
  press(v.decB, Qt::Key_Space);
  EXPECT_EQ(window_->decodeAlls, 2);
  press(v.sBut, Qt::Key_Return);
  press(v.sBut, Qt::Key_Space);
  EXPECT_EQ(window_->works, 2);
}
