// Start-up of the application object and the files handed to it.
#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>

#include "app/MVApplication.h"
#include "app/MVWindow.h"
#include "settings/Settings.h"
#include "tests/app/WindowTestSupport.h"

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
  // Starts the application and returns its main window's frame and what it printed.
  std::pair<QRect, std::string> Start() {
    std::unique_ptr<MVApplication> app;
    std::string out = CapturedStdout([&] { app = std::make_unique<MVApplication>(argc_, argv_); });
    EXPECT_TRUE(app->MainWindow()->isVisible());
    EXPECT_EQ(app->Signature(), "application/x-vnd.Telva-Murvel");
    return {app->MainWindow()->Frame().ToQRect(), out};
  }

  int argc_ = 1;
  char name_[16] = "murvel";
  char* argv_[8] = {name_, nullptr};
};

}  // namespace

TEST_F(StartupTest, FirstStartWritesTheSettingsAndLaterStartsOpenWhereTheyTell) {
  auto [frame, out] = Start();
  EXPECT_EQ(frame, QRect(QPoint(30, 50), QPoint(148, 240)));
  EXPECT_EQ(ReadFile(SettingsFile()), SettingsBytes(30, 50, {98, 178, 178, 255}, 0));
  size_t written = out.find("Settings geschrieben..\n");
  ASSERT_NE(written, std::string::npos) << out;
  EXPECT_EQ(out.find("Settings geschrieben..\n", written + 1), std::string::npos);

  WriteFile(SettingsFile(), SettingsBytes(400, 300, {98, 178, 178, 255}, 0));
  ResetSettings();
  std::tie(frame, out) = Start();
  EXPECT_EQ(frame, QRect(QPoint(400, 300), QPoint(518, 490)));
  EXPECT_EQ(out.find("Settings geschrieben"), std::string::npos);
}

// Files on the command line come as one "refs" message once the window exists; only the first
// is taken, and it is no drop, so its colour attribute is not looked at.
TEST_F(StartupTest, OnlyTheFirstOfTheFilesHandedOverIsTakenAndItIsNoDrop) {
  // The first is named relative to the current folder, with bytes that are no UTF-8.
  std::string files[] = {File("caf\xE9 one.txt"), File("two.txt"), File("three.txt")};
  char first[] = "caf\xE9 one.txt";
  rgb_color red = {255, 0, 0, 255};
  ASSERT_EQ(setxattr(files[0].c_str(), "user.RGBCOLOR", &red, 4, 0), 0);
  argv_[1] = first;
  for (int i = 1; i < 3; ++i) argv_[i + 1] = files[i].data();
  argc_ = 4;
  const std::string cwd = std::filesystem::current_path();
  ASSERT_EQ(chdir(root_.c_str()), 0);
  MVApplication app(argc_, argv_);
  ASSERT_EQ(chdir(cwd.c_str()), 0);
  const rgb_color before = backcolor;
  EXPECT_TRUE(app.MainWindow()->State().currentPath.empty());
  DeliverPosted();
  EXPECT_EQ(app.MainWindow()->State().currentPath, files[0]);
  EXPECT_EQ(backcolor, before);
  EXPECT_EQ(app.MainWindow()->Views().cview->ViewColor(), before);
}

TEST_F(StartupTest, RefsMessageWithoutRefsIsReportedAndChangesNothing) {
  MVApplication app(argc_, argv_);
  plat::Message empty(plat::B_REFS_RECEIVED);
  empty.AddData("text/plain", plat::B_MIME_TYPE, "hello", 5);
  std::string out = CapturedStdout([&] {
    app.RefsReceived(&empty);
    DeliverPosted();
  });
  EXPECT_EQ(out,
            "Was Das Denn ??\n"
            "Message('RREF') {\n"
            "    text/plain[0] ('MIME', 5 bytes) = \"hello\"\n"
            "}\n");
  EXPECT_TRUE(app.MainWindow()->State().currentPath.empty());
}
