// Start-up of the application object and the files handed to it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QScreen>
#include <filesystem>

#include "app/MVApplication.h"
#include "app/MVWindow.h"
#include "app/SealOption.h"
#include "app/WindowPlacement.h"
#include "platform/gui/Button.h"
#include "settings/SealingChoice.h"
#include "settings/Settings.h"
#include "tests/app/WindowTestSupport.h"
#include "ui/fView.h"

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

// Something that is no file where the settings file should be, here a link to a FIFO (as it
// could be to a device node), is left as it is, at the start and at quit; the window starts with
// the defaults and the output says why nothing was written.
TEST_F(StartupTest, NodeInTheSettingsFilesPlaceIsLeftAloneAndTheDefaultsServe) {
  const std::string fifo = root_ + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_TRUE(std::filesystem::create_directories(config_ + "/_KR_x-vnd.Telva"));
  ASSERT_EQ(symlink(fifo.c_str(), SettingsFile().c_str()), 0);

  std::unique_ptr<MVApplication> app;
  const std::string out =
      CapturedStdout([&] { app = std::make_unique<MVApplication>(argc_, argv_); });
  const std::string refused = "can't set(fn)!\nSettings: cannot replace '" + SettingsFile() +
                              "': it leads to a FIFO, not a regular file ('" + fifo + "')\n";
  EXPECT_NE(out.find("Can't Getsettings\nPath: '" + SettingsFile() + "'\n" + refused +
                     "Ende Setsettings\nxB.Width()"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("Settings geschrieben"), std::string::npos);
  EXPECT_EQ(app->MainWindow()->Frame().ToQRect(), QRect(QPoint(30, 50), QPoint(148, 240)));
  EXPECT_EQ(app->MainWindow()->Views().backView->ViewColor(), (rgb_color{98, 178, 178, 255}));

  EXPECT_NE(CapturedStdout([&] { app->MainWindow()->close(); }).find(refused), std::string::npos);
  struct stat st;
  ASSERT_EQ(lstat(SettingsFile().c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// Files on the command line come as one "refs" message once the window exists; only the first
// is taken, and it is no drop, so its colour attribute is not looked at. --seal, wherever it
// stands, is no file: it chooses sealing for this run without keeping the choice.
TEST_F(StartupTest, OnlyTheFirstOfTheFilesHandedOverIsTakenAndItIsNoDrop) {
  // The first is named relative to the current folder, with bytes that are no UTF-8.
  std::string files[] = {File("caf\xE9 one.txt"), File("two.txt"), File("three.txt")};
  char first[] = "caf\xE9 one.txt";
  rgb_color red = {255, 0, 0, 255};
  ASSERT_EQ(setxattr(files[0].c_str(), "user.RGBCOLOR", &red, 4, 0), 0);
  char seal[] = "--seal";
  argv_[1] = seal;
  argv_[2] = first;
  for (int i = 1; i < 3; ++i) argv_[i + 2] = files[i].data();
  argc_ = 5;
  const std::string cwd = std::filesystem::current_path();
  ASSERT_EQ(chdir(root_.c_str()), 0);
  const bool sealing = TakeSealOption(&argc_, argv_);
  MVApplication app(argc_, argv_, sealing);
  ASSERT_EQ(chdir(cwd.c_str()), 0);
  const rgb_color before = app.MainWindow()->CurrentSettings().backcolor;
  EXPECT_TRUE(app.MainWindow()->State().currentPath.empty());
  DeliverPosted();
  EXPECT_EQ(app.MainWindow()->State().currentPath, files[0]);
  EXPECT_EQ(app.MainWindow()->CurrentSettings().backcolor, before);
  EXPECT_EQ(app.MainWindow()->Views().cview->ViewColor(), before);
  EXPECT_TRUE(app.MainWindow()->Sealing());
  EXPECT_EQ(app.MainWindow()->Views().sBut->Label(), "SEAL IT");
  EXPECT_FALSE(LoadSealingChoice());
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

// The window starts where it was left only when a part of it to grab and use is on a screen;
// else at the nearest place where it lies whole on the nearest screen.
TEST(WindowPlacementTest, KeptPositionOnlyWhereAUsablePartIsOnAScreen) {
  const std::vector<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
  auto at = [&](int x, int y) { return PlaceWindow(QRect(x, y, 118, 190), screens); };
  EXPECT_EQ(at(400, 300), QPoint(400, 300));
  EXPECT_EQ(at(1900, 500), QPoint(1900, 500));  // across both screens, 98 pixels on the second
  EXPECT_EQ(at(3150, 500), QPoint(3150, 500));  // 50 pixels on the second screen
  EXPECT_EQ(at(5000, 5000), QPoint(3200 - 118, 1024 - 190));
  EXPECT_EQ(at(-110, 300), QPoint(0, 300));  // 8 pixels showing
  EXPECT_EQ(at(400, -5), QPoint(400, 0));    // its top above the screen
  EXPECT_EQ(at(400, 1070), QPoint(400, 1080 - 190));
  EXPECT_EQ(at(2500, 1050), QPoint(2500, 1024 - 190));  // below the second, beside the first
  EXPECT_EQ(PlaceWindow(QRect(5000, 5000, 118, 190), {}), QPoint(5000, 5000));
}

// A start from settings that put the window off every screen shows it whole on one, says so,
// and leaves the settings file's bytes as they were until the window is closed.
TEST_F(StartupTest, WindowLeftOffTheScreenStartsOnIt) {
  std::filesystem::create_directories(config_ + "/_KR_x-vnd.Telva");
  const std::string bytes = SettingsBytes(5000, 5000, {98, 178, 178, 255}, 0);
  WriteFile(SettingsFile(), bytes);
  std::unique_ptr<MVApplication> app;
  const std::string out =
      CapturedStdout([&] { app = std::make_unique<MVApplication>(argc_, argv_); });
  const QRect frame = app->MainWindow()->Frame().ToQRect();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(screen.contains(frame.adjusted(0, 0, -1, -1))) << frame.x() << "," << frame.y();
  EXPECT_EQ(frame.topLeft(), QPoint(screen.right() + 1 - 118, screen.bottom() + 1 - 190));
  EXPECT_NE(out.find("Window: (5000, 5000) is off the screen; placed at ("), std::string::npos)
      << out;
  EXPECT_EQ(ReadFile(SettingsFile()), bytes);
}
