// The settings file, byte for byte, on a real disk.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <limits>

#include "settings/Settings.h"
#include "tests/platform/TempHome.h"

namespace {

std::string FloatBytes(float value) {
  char raw[4];
  std::memcpy(raw, &value, 4);  // the machine is little-endian, like the file
  return std::string(raw, 4);
}

class SettingsTest : public TempHomeTest {
 protected:
  void SetUp() override {
    TempHomeTest::SetUp();
    ResetSettings();
    file_ = config_ + "/_KR_x-vnd.Telva/murvel_settings";
    ASSERT_TRUE(std::filesystem::create_directories(config_ + "/_KR_x-vnd.Telva"));
  }
  void TearDown() override {
    ResetSettings();
    TempHomeTest::TearDown();
  }
  std::string Reading() const { return "reading  SettingsFile\n '" + file_ + "'\n"; }
  std::string Writing() const { return "Path: '" + file_ + "'\n"; }
  // Loads and checks the frame Getsettings forms: left, top, right, bottom.
  void ExpectLoadedFrame(float left, float top) {
    ASSERT_TRUE(Getsettings("murvel_settings"));
    EXPECT_EQ(WIN_X, left);
    EXPECT_EQ(WIN_Y, top);
    EXPECT_EQ(WIN_W, left + 118.0f);
    EXPECT_EQ(WIN_H, top + 190.0f);
  }

  std::string file_;
};

TEST_F(SettingsTest, FirstRunWritesTheDefaultsAndReadsThemBack) {
  bool loaded = true;
  EXPECT_EQ(CapturedStdout([&] { loaded = Getsettings("murvel_settings"); }),
            Reading() + "Can't Getsettings\n");
  EXPECT_FALSE(loaded);
  EXPECT_EQ(WIN_W, 118.0f);  // still a width
  EXPECT_EQ(CapturedStdout([] { Setsettings("murvel_settings"); }),
            Writing() + "Ende Setsettings\n");
  EXPECT_EQ(ReadFile(file_),
            std::string("\x00\x00\xF0\x41\x00\x00\x48\x42\x62\xB2\xB2\xFF\x00", 13));
  struct stat st;
  ASSERT_EQ(stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);

  EXPECT_EQ(CapturedStdout([&] { ExpectLoadedFrame(30, 50); }), Reading());
  EXPECT_EQ(backcolor, (rgb_color{98, 178, 178, 255}));
  EXPECT_EQ(wtfold, 0);
  // The image path is set whether or not the image is there.
  EXPECT_STREQ(Getsetbackimage, (config_ + "/_KR_x-vnd.Telva/murvel_image").c_str());
}

TEST_F(SettingsTest, MovedWindowAndOptionsComeBackNextStart) {
  WriteFile(file_, std::string(40, '\x7f'));  // an older, longer file
  WIN_X = 200.0f;
  WIN_Y = 120.0f;
  backcolor = {1, 2, 3, 4};
  wtfold = 1;
  CapturedStdout([] { Setsettings("murvel_settings"); });
  EXPECT_EQ(ReadFile(file_),
            std::string("\x00\x00\x48\x43\x00\x00\xF0\x42\x01\x02\x03\x04\x01", 13));

  ResetSettings();
  ExpectLoadedFrame(200, 120);
  EXPECT_EQ(backcolor, (rgb_color{1, 2, 3, 4}));
  EXPECT_EQ(wtfold, 1);
}

// A short file loads the fields it has; a position that is no number or lies far off any screen
// keeps its value, and says so.
TEST_F(SettingsTest, ShortAndDamagedFiles) {
  const rgb_color teal{98, 178, 178, 255}, other{0x10, 0x20, 0x30, 0xff};
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    std::string bytes;
    float left, top;
    rgb_color color;
    uint8_t watch;
    std::string said;
  } cases[] = {
      {"", 30, 50, teal, 0, ""},
      {FloatBytes(200) + "\x01\x02", 200, 50, teal, 0, ""},
      {FloatBytes(1) + FloatBytes(2) + "\x10\x20\x30\xff", 1, 2, other, 0, ""},
      // Any set byte turns the option on.
      {FloatBytes(nan) + FloatBytes(1e6f) + "\x10\x20\x30\xff\x05", 30, 50, other, 1,
       "Settings: WIN_X nan unusable, keeping 30\nSettings: WIN_Y 1e+06 unusable, keeping 50\n"},
      {FloatBytes(-inf) + FloatBytes(-99999), 30, -99999, teal, 0,
       "Settings: WIN_X -inf unusable, keeping 30\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.said);
    ResetSettings();
    WriteFile(file_, c.bytes);
    EXPECT_EQ(CapturedStdout([&] { ExpectLoadedFrame(c.left, c.top); }), Reading() + c.said);
    EXPECT_EQ(backcolor, c.color);
    EXPECT_EQ(wtfold, c.watch);
  }
}

TEST_F(SettingsTest, NoUserSettingsFolder) {
  SetEnv("HOME", nullptr);
  SetEnv("XDG_CONFIG_HOME", nullptr);
  bool loaded = true;
  EXPECT_EQ(CapturedStdout([&] { loaded = Getsettings("murvel_settings"); }),
            "Can't find user_settings_folder\n");
  EXPECT_FALSE(loaded);
  EXPECT_EQ(WIN_W, 118.0f);
  EXPECT_EQ(WIN_H, 190.0f);
  EXPECT_EQ(CapturedStdout([] { Setsettings("murvel_settings"); }),
            "Can't find user_settings_folder\nEnde Setsettings\n");
}

TEST_F(SettingsTest, FolderInTheWayIsNeitherReadNorReplaced) {
  ASSERT_EQ(mkdir(file_.c_str(), 0755), 0);
  EXPECT_EQ(CapturedStdout([] { EXPECT_FALSE(Getsettings("murvel_settings")); }),
            Reading() + "Can't Getsettings\n");
  EXPECT_EQ(CapturedStdout([] { Setsettings("murvel_settings"); }),
            Writing() + "can't set(fn)!\nSettings: cannot replace '" + file_ +
                "': Is a directory\nEnde Setsettings\n");
  EXPECT_TRUE(std::filesystem::is_directory(file_));
}

}  // namespace
