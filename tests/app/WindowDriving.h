#pragma once
// Working the real window as a user does, for the tests that run the engine through it: a file
// dropped on the file label, a password typed into the password field and committed.
#include <gtest/gtest.h>

#include <QMimeData>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/MVWindow.h"
#include "platform/Clock.h"
#include "platform/gui/StringView.h"
#include "platform/gui/TextControl.h"
#include "settings/Settings.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/ui/GuiTestSupport.h"
#include "ui/CodeView.h"

// Drops the file on the window's file label, as a file manager would.
inline void DropFileOn(MVWindow* window, const std::string& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  QWidget* label = window->Views().askFile;
  DragAndDrop(window, data, label->mapTo(window, label->rect().center()));
  DeliverPosted();
}

// Types `password` into the emptied password field and commits it with Enter.
inline void TypePassword(MVWindow* window, const std::string& password) {
  plat::TextControl* entry = window->Views().cview->PassControl();
  entry->MakeFocus(true);
  entry->SetText("");
  TypeText(entry, password);
  PressKey(entry, Qt::Key_Return);
  DeliverPosted();
}

// A real window of type W (an MVWindow), with its file work, in a fresh temporary folder that
// the XDG folders point into, at the fixture's fixed moment.
template <typename W>
class RealWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = "/tmp/murvel-window-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    setenv("XDG_CONFIG_HOME", (dir_ + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir_ + "/.local/share").c_str(), 1);
    plat::SetClock(&clock_);
    TestApp();
    ResetSettings();
    window_ = std::make_unique<W>(plat::Rect(100, 100, 218, 290));
  }
  void TearDown() override {
    window_.reset();
    plat::SetClock(nullptr);
    std::filesystem::remove_all(dir_);
  }

  void DropFile(const std::string& path) { DropFileOn(window_.get(), path); }
  void EnterPassword(const std::string& password) { TypePassword(window_.get(), password); }

  std::string dir_;
  plat::FixedClock clock_{FixtureMoment()};
  std::unique_ptr<W> window_;
};
