// The settings file, byte for byte, on a real disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <limits>

#include "platform/Directory.h"
#include "settings/Settings.h"
#include "tests/platform/TempHome.h"

namespace {

std::string FloatBytes(float value) {
  char raw[4];
  std::memcpy(raw, &value, 4);  // the machine is little-endian, like the file
  return std::string(raw, 4);
}

void ExpectSettings(const Settings& s, float left, float top, rgb_color colour, uint8_t watch) {
  EXPECT_EQ(s.WIN_X, left);
  EXPECT_EQ(s.WIN_Y, top);
  EXPECT_EQ(s.backcolor, colour);
  EXPECT_EQ(s.wtfold, watch);
}

constexpr rgb_color kTeal = {98, 178, 178, 255};

class SettingsTest : public TempHomeTest {
 protected:
  void SetUp() override {
    TempHomeTest::SetUp();
    folder_ = config_ + "/_KR_x-vnd.Telva";
    file_ = folder_ + "/murvel_settings";
    ASSERT_TRUE(std::filesystem::create_directories(folder_));
  }
  std::string Reading() const { return "reading  SettingsFile\n '" + file_ + "'\n"; }
  std::string Writing() const { return "Path: '" + file_ + "'\n"; }
  // The entries of the settings folder.
  int Entries() const {
    plat::Directory dir(folder_);
    std::string entry;
    int entries = 0;
    while (dir.GetNextRef(&entry) == 0) ++entries;
    return entries;
  }

  std::string folder_, file_;
};

TEST_F(SettingsTest, FirstRunWritesTheDefaultsAndReadsThemBack) {
  Settings settings;
  settings.WIN_X = 1;  // a load that fails leaves the value as it was
  bool loaded = true;
  EXPECT_EQ(CapturedStdout([&] { loaded = Getsettings("murvel_settings", &settings); }),
            Reading() + "Can't Getsettings\n");
  EXPECT_FALSE(loaded);
  ExpectSettings(settings, 1, 50, kTeal, 0);

  bool saved = false;
  EXPECT_EQ(CapturedStdout([&] { saved = Setsettings("murvel_settings", Settings()).ok(); }),
            Writing() + "Ende Setsettings\n");
  EXPECT_TRUE(saved);
  EXPECT_EQ(ReadFile(file_),
            std::string("\x00\x00\xF0\x41\x00\x00\x48\x42\x62\xB2\xB2\xFF\x00", 13));
  struct stat st;
  ASSERT_EQ(stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);

  EXPECT_EQ(CapturedStdout([&] { loaded = Getsettings("murvel_settings", &settings); }), Reading());
  EXPECT_TRUE(loaded);
  ExpectSettings(settings, 30, 50, kTeal, 0);
  // The image's path is known whether or not the image is there.
  EXPECT_EQ(BackImagePath(), folder_ + "/murvel_image");
}

TEST_F(SettingsTest, MovedWindowAndOptionsComeBackNextStart) {
  WriteFile(file_, std::string(40, '\x7f'));  // an older, longer file
  Settings moved;
  moved.WIN_X = 200.0f;
  moved.WIN_Y = 120.0f;
  moved.backcolor = {1, 2, 3, 4};
  moved.wtfold = 1;
  ASSERT_TRUE(SaveSettings(file_, moved));
  EXPECT_EQ(ReadFile(file_),
            std::string("\x00\x00\x48\x43\x00\x00\xF0\x42\x01\x02\x03\x04\x01", 13));

  Settings next;
  ASSERT_TRUE(LoadSettings(file_, &next, nullptr));
  ExpectSettings(next, 200, 120, {1, 2, 3, 4}, 1);
}

// A short file loads the fields it has; a position that is no number or lies far off any screen
// keeps its value, and says so.
TEST_F(SettingsTest, ShortAndDamagedFiles) {
  const rgb_color other{0x10, 0x20, 0x30, 0xff};
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    std::string bytes;
    float left, top;
    rgb_color color;
    uint8_t watch;
    std::string said;
  } cases[] = {
      {"", 30, 50, kTeal, 0, ""},
      {FloatBytes(200) + "\x01\x02", 200, 50, kTeal, 0, ""},
      {FloatBytes(1) + FloatBytes(2) + "\x10\x20\x30\xff", 1, 2, other, 0, ""},
      // Any set byte turns the option on.
      {FloatBytes(nan) + FloatBytes(1e6f) + "\x10\x20\x30\xff\x05", 30, 50, other, 1,
       "Settings: WIN_X nan unusable, keeping 30\nSettings: WIN_Y 1e+06 unusable, keeping 50\n"},
      {FloatBytes(-inf) + FloatBytes(-99999), 30, -99999, kTeal, 0,
       "Settings: WIN_X -inf unusable, keeping 30\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    WriteFile(file_, c.bytes);
    Settings settings;
    bool loaded = false;
    EXPECT_EQ(CapturedStdout([&] { loaded = Getsettings("murvel_settings", &settings); }),
              Reading() + c.said);
    EXPECT_TRUE(loaded);
    ExpectSettings(settings, c.left, c.top, c.color, c.watch);
  }
}

TEST_F(SettingsTest, NoUserSettingsFolder) {
  SetEnv("HOME", nullptr);
  SetEnv("XDG_CONFIG_HOME", nullptr);
  Settings settings;
  bool loaded = true;
  EXPECT_EQ(CapturedStdout([&] { loaded = Getsettings("murvel_settings", &settings); }),
            "Can't find user_settings_folder\n");
  EXPECT_FALSE(loaded);
  bool saved = true;
  EXPECT_EQ(CapturedStdout([&] { saved = Setsettings("murvel_settings", settings).ok(); }),
            "Can't find user_settings_folder\nEnde Setsettings\n");
  EXPECT_FALSE(saved);
  EXPECT_EQ(BackImagePath(), "");
}

// A folder, a FIFO, or a link to a FIFO in the settings file's place is neither read nor
// replaced (a link to a device node would be the same case; a FIFO stands in for one here).
TEST_F(SettingsTest, WhatIsNoFileIsNeitherReadNorReplaced) {
  const std::string fifo = root_ + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    const char* what;
    std::function<int()> make;
    std::string why;
  } cases[] = {
      {"folder", [&] { return mkdir(file_.c_str(), 0755); }, "it is a folder, not a regular file"},
      {"FIFO", [&] { return mkfifo(file_.c_str(), 0600); }, "it is a FIFO, not a regular file"},
      {"link", [&] { return symlink(fifo.c_str(), file_.c_str()); },
       "it leads to a FIFO, not a regular file ('" + fifo + "')"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(file_);
    ASSERT_EQ(c.make(), 0);
    struct stat before, after;
    ASSERT_EQ(lstat(file_.c_str(), &before), 0);
    Settings settings;
    settings.wtfold = 1;
    EXPECT_EQ(CapturedStdout([&] { EXPECT_FALSE(Getsettings("murvel_settings", &settings)); }),
              Reading() + "Can't Getsettings\n");
    EXPECT_EQ(settings.wtfold, 1);
    EXPECT_EQ(CapturedStdout([&] { EXPECT_FALSE(Setsettings("murvel_settings", settings)); }),
              Writing() + "can't set(fn)!\nSettings: cannot replace '" + file_ + "': " + c.why +
                  "\nEnde Setsettings\n");
    ASSERT_EQ(lstat(file_.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(Entries(), 1);  // no temporary file left beside it
  }
  struct stat st;
  ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// A settings link is followed only to a regular file of the user running the program, and by
// root only through root's own folders that no one else may write; a link that leads nowhere
// makes no file. Needs root: the second user is "nobody", run in a child process.
TEST_F(SettingsTest, LinksAreFollowedOnlyToTheUsersOwnFiles) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
  constexpr uid_t kNobody = 65534;
  ASSERT_EQ(chmod(root_.c_str(), 0755), 0);
  // Root's folder and file, both open to all: the rules, not the permissions, must refuse.
  const std::string others = root_ + "/others";
  ASSERT_EQ(mkdir(others.c_str(), 0755), 0);
  ASSERT_EQ(chmod(others.c_str(), 0777), 0);
  const std::string rootsFile = others + "/roots";
  WriteFile(rootsFile, "root's own bytes");
  ASSERT_EQ(chmod(rootsFile.c_str(), 0666), 0);
  const std::string nowhere = others + "/nowhere";

  // Runs `act` as nobody, with the settings folders nobody's; its exit status.
  auto asNobody = [&](const std::function<bool()>& act) {
    for (const std::string& f : {config_, folder_})
      EXPECT_EQ(chown(f.c_str(), kNobody, kNobody), 0);
    pid_t child = fork();
    if (child == 0) {
      bool ok = setgid(kNobody) == 0 && setuid(kNobody) == 0 && act();
      _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    for (const std::string& f : {config_, folder_}) EXPECT_EQ(chown(f.c_str(), 0, 0), 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  Settings settings;
  settings.WIN_X = 400;
  // nobody: a link to root's file is neither read nor replaced; nor is one leading nowhere made
  // into a file.
  for (const std::string& target : {rootsFile, nowhere}) {
    SCOPED_TRACE(target);
    std::filesystem::remove(file_);
    ASSERT_EQ(symlink(target.c_str(), file_.c_str()), 0);
    EXPECT_EQ(asNobody([&] {
                Settings s;
                return !LoadSettings(file_, &s, nullptr) && !SaveSettings(file_, settings);
              }),
              0);
  }
  EXPECT_EQ(ReadFile(rootsFile), "root's own bytes");
  struct stat st;
  ASSERT_EQ(stat(rootsFile.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0666u);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_FALSE(Exists(nowhere));

  // nobody's own file behind a link is read and replaced, the link kept.
  const std::string own = folder_ + "/kept-elsewhere";
  WriteFile(own, std::string(13, '\0'));
  ASSERT_EQ(chown(own.c_str(), kNobody, kNobody), 0);
  std::filesystem::remove(file_);
  ASSERT_EQ(symlink(own.c_str(), file_.c_str()), 0);
  EXPECT_EQ(asNobody([&] { return bool(SaveSettings(file_, settings)); }), 0);
  Settings back;
  EXPECT_TRUE(LoadSettings(own, &back, nullptr));
  EXPECT_EQ(back.WIN_X, 400);
  struct stat link;
  ASSERT_EQ(lstat(file_.c_str(), &link), 0);
  EXPECT_TRUE(S_ISLNK(link.st_mode));

  // Root (sudo -E) with the settings link in nobody's folder does not follow it, even to its own
  // file, nor to a file in a folder others may write; in root's own folders it does, and the
  // line says why it did not.
  std::filesystem::remove(file_);
  ASSERT_EQ(symlink(rootsFile.c_str(), file_.c_str()), 0);
  ASSERT_EQ(chown(folder_.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(chmod(others.c_str(), 0755), 0);
  plat::Outcome refused = SaveSettings(file_, settings);
  EXPECT_NE(refused.why().find("('" + folder_ + "' is not)"), std::string::npos) << refused.why();
  ASSERT_EQ(chown(folder_.c_str(), 0, 0), 0);
  ASSERT_EQ(chmod(others.c_str(), 0777), 0);
  refused = SaveSettings(file_, settings);
  EXPECT_NE(refused.why().find("root follows links only through its own folders ('" + others +
                               "' is not)"),
            std::string::npos)
      << refused.why();
  EXPECT_EQ(ReadFile(rootsFile), "root's own bytes");
  ASSERT_EQ(chmod(others.c_str(), 0755), 0);
  EXPECT_TRUE(SaveSettings(file_, settings));
  EXPECT_EQ(ReadFile(rootsFile).size(), kSettingsFileBytes);
}

}  // namespace
