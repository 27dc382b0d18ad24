#pragma once
// Test helpers for the main window: a window whose file and folder operations only record that
// they were called, in a temporary home with an empty settings folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/MVWindow.h"
#include "platform/gui/Button.h"
#include "platform/gui/CheckBox.h"
#include "platform/gui/StringView.h"
#include "settings/ColourHelpers.h"
#include "settings/Settings.h"
#include "tests/platform/TempHome.h"
#include "tests/ui/GuiTestSupport.h"
#include "ui/CodeView.h"
#include "ui/fView.h"

class ProbeWindow : public MVWindow {
 public:
  using MVWindow::MVWindow;
  void XCheck(bool setLabel) override {
    checked.push_back(State().currentPath);
    labelled = setLabel;
  }
  bool XWork() override {
    ++works;
    return true;
  }
  void DecAllFold() override { ++decodeAlls; }
  void ScanFold() override { ++scans; }

  std::vector<std::string> checked;
  bool labelled = false;
  int works = 0;
  int decodeAlls = 0;
  int scans = 0;
};

class WindowTest : public TempHomeTest {
 protected:
  void SetUp() override {
    TempHomeTest::SetUp();
    TestApp();
    settingsFolder_ = config_ + "/_KR_x-vnd.Telva";
    ASSERT_EQ(mkdir(config_.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(settingsFolder_.c_str(), 0755), 0);
  }
  void TearDown() override {
    delete window_;
    DeliverPosted();
    TempHomeTest::TearDown();
  }

  // Opens the window with `settings` at their position, as the application does.
  ProbeWindow* Open(const Settings& settings = Settings()) {
    const plat::Rect frame(settings.WIN_X, settings.WIN_Y, settings.WIN_X + 118,
                           settings.WIN_Y + 190);
    window_ = new ProbeWindow(frame, settings);
    return window_;
  }
  void Post(const plat::Message& message) {
    window_->PostMessage(message);
    DeliverPosted();
  }
  void Click(QAbstractButton* control) {
    control->click();
    DeliverPosted();
  }
  std::string SettingsFile() const { return settingsFolder_ + "/murvel_settings"; }

  // Every view that the window recolours shows `c`, with text that reads well on it; the file
  // label stays near-white.
  void ExpectViewsIn(rgb_color c) {
    const MainLayout& v = window_->Views();
    for (const plat::ViewColors* view : std::vector<const plat::ViewColors*>{
             v.backView, v.sBut, v.decB, v.cview, v.wView, v.wBut, v.cview->BackgroundBox()})
      EXPECT_EQ(view->ViewColor(), c);
    EXPECT_EQ(v.wBut->HighColor(), GetTextCol(c));
    EXPECT_EQ(v.cview->Label()->HighColor(), GetTextCol(c));
    EXPECT_EQ(v.askFile->ViewColor(), (rgb_color{250, 250, 250, 255}));
  }

  ProbeWindow* window_ = nullptr;
  std::string settingsFolder_;
};

// The 13 bytes of a settings file.
inline std::string SettingsBytes(float x, float y, rgb_color c, uint8_t watch) {
  std::string out(13, '\0');
  std::memcpy(&out[0], &x, 4);
  std::memcpy(&out[4], &y, 4);
  std::memcpy(&out[8], &c, 4);
  out[12] = char(watch);
  return out;
}
