// Start-up of the application object and the files handed to it.
#include <gtest/gtest.h>
#include <sys/xattr.h>

#include "app/MVApplication.h"
#include "app/MVWindow.h"
#include "platform/gui/StringView.h"
#include "settings/Settings.h"
#include "tests/platform/TempHome.h"
#include "tests/ui/GuiTestSupport.h"

namespace {

class StartupTest : public TempHomeTest {
 protected:
  void SetUp() override {
    TempHomeTest::SetUp();
    ResetSettings();
  }
  void TearDown() override {
    ResetSettings();
    TempHomeTest::TearDown();
  }
  std::string SettingsFile() const { return config_ + "/_KR_x-vnd.Telva/murvel_settings"; }
  std::string File(const std::string& name) {
    std::string path = root_ + "/" + name;
    WriteFile(path, "contents of " + name);
    return path;
  }

  int argc_ = 1;
  char name_[16] = "murvel";
  char* argv_[8] = {name_, nullptr};
};

}  // namespace

TEST_F(StartupTest, FirstStartWritesTheSettingsAndOpensTheDefaultWindow) {
  std::string out;
  {
    std::unique_ptr<MVApplication> app;
    out = CapturedStdout([&] { app = std::make_unique<MVApplication>(argc_, argv_); });
    EXPECT_EQ(app->MainWindow()->Frame().ToQRect(), QRect(QPoint(30, 50), QPoint(148, 240)));
    EXPECT_TRUE(app->MainWindow()->isVisible());
    EXPECT_EQ(app->Signature(), "application/x-vnd.Telva-Murvel");
  }
  EXPECT_EQ(ReadFile(SettingsFile()).size(), 13u);
  // The start-up lines come in their order: set-up, settings, window.
  size_t done = out.find("->done\n");
  size_t written = out.find("Settings geschrieben..\n");
  size_t window = out.find("xB.Width()=118.00\n");
  ASSERT_NE(done, std::string::npos) << out;
  ASSERT_NE(written, std::string::npos) << out;
  ASSERT_NE(window, std::string::npos) << out;
  EXPECT_LT(done, written);
  EXPECT_LT(written, window);
  EXPECT_EQ(out.find("Settings geschrieben..\n", written + 1), std::string::npos);
}

TEST_F(StartupTest, OnlyTheFirstOfSeveralFilesIsTakenAndItIsNoDrop) {
  std::string first = File("one.txt");
  rgb_color red = {255, 0, 0, 255};
  ASSERT_EQ(setxattr(first.c_str(), "user.RGBCOLOR", &red, 4, 0), 0);
  MVApplication app(argc_, argv_);
  const rgb_color before = backcolor;
  plat::Message refs(plat::B_REFS_RECEIVED);
  refs.AddRef("refs", first);
  refs.AddRef("refs", File("two.txt"));
  refs.AddRef("refs", File("three.txt"));
  app.RefsReceived(&refs);
  EXPECT_TRUE(app.MainWindow()->State().currentPath.empty());  // posted, not yet handled
  DeliverPosted();
  EXPECT_EQ(app.MainWindow()->State().currentPath, first);
  EXPECT_EQ(backcolor, before);
}

TEST_F(StartupTest, CommandLineFilesArriveOnceTheWindowExists) {
  std::string first = File("arg one.txt");
  std::string second = File("arg two.txt");
  argv_[1] = first.data();
  argv_[2] = second.data();
  argc_ = 3;
  MVApplication app(argc_, argv_);
  EXPECT_TRUE(app.MainWindow()->State().currentPath.empty());
  DeliverPosted();
  EXPECT_EQ(app.MainWindow()->State().currentPath, first);
}

TEST_F(StartupTest, RefsMessageWithoutRefsIsReportedAndChangesNothing) {
  MVApplication app(argc_, argv_);
  plat::Message empty(plat::B_REFS_RECEIVED);
  empty.AddData("text/plain", plat::B_MIME_TYPE, "hello", 5);
  std::string out = CapturedStdout([&] {
    app.RefsReceived(&empty);
    DeliverPosted();
  });
  EXPECT_EQ(out, "Was Das Denn ??\n" + empty.Dump());
  EXPECT_TRUE(app.MainWindow()->State().currentPath.empty());
}
