#pragma once
// Test helpers for the main window: a window whose file and folder operations only record that
// they were called, in a temporary home with an empty settings folder and fresh settings.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/DoError.h"
#include "app/MVWindow.h"
#include "settings/ProgramIcons.h"
#include "settings/Settings.h"
#include "tests/platform/TempHome.h"
#include "tests/ui/GuiTestSupport.h"

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
    ResetSettings();
    settingsFolder_ = config_ + "/_KR_x-vnd.Telva";
    ASSERT_EQ(mkdir(config_.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(settingsFolder_.c_str(), 0755), 0);
  }
  void TearDown() override {
    delete window_;
    DeliverPosted();
    ResetSettings();
    TempHomeTest::TearDown();
  }

  // Opens the window at the settings' position, as the application does.
  ProbeWindow* Open() {
    window_ = new ProbeWindow(plat::Rect(WIN_X, WIN_Y, WIN_X + 118, WIN_Y + 190));
    return window_;
  }
  void Post(const plat::Message& message) {
    window_->PostMessage(message);
    DeliverPosted();
  }
  std::string SettingsFile() const { return settingsFolder_ + "/murvel_settings"; }

  ProbeWindow* window_ = nullptr;
  std::string settingsFolder_;
};
