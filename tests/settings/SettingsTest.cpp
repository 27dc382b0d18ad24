// The settings file, byte for byte, on a real disk.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "settings/Settings.h"
#include "tests/platform/TempHome.h"

namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out += char(b);
  return out;
}

std::string FloatBytes(float value) {
  char raw[4];
  std::memcpy(raw, &value, 4);  // the machine is little-endian, like the file
  return std::string(raw, 4);
}

}  // namespace

class SettingsTest : public TempHomeTest {
 protected:
  void SetUp() override {
    TempHomeTest::SetUp();
    ResetSettings();
    folder_ = config_ + "/_KR_x-vnd.Telva";
    file_ = folder_ + "/murvel_settings";
    ASSERT_EQ(mkdir(config_.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(folder_.c_str(), 0755), 0);
  }
  void TearDown() override {
    ResetSettings();
    TempHomeTest::TearDown();
  }
  std::string Reading() const { return "reading  SettingsFile\n '" + file_ + "'\n"; }

  std::string folder_, file_;
};

TEST_F(SettingsTest, FirstRunWritesTheDefaultsAndReadsThemBack) {
  bool loaded = true;
  EXPECT_EQ(CapturedStdout([&] { loaded = Getsettings("murvel_settings"); }),
            Reading() + "Can't Getsettings\n");
  EXPECT_FALSE(loaded);
  EXPECT_EQ(WIN_W, 118.0f);  // still a width
  EXPECT_EQ(CapturedStdout([] { Setsettings("murvel_settings"); }),
            "Path: '" + file_ + "'\nEnde Setsettings\n");
  EXPECT_EQ(ReadFile(file_),
            Bytes({0x00, 0x00, 0xF0, 0x41, 0x00, 0x00, 0x48, 0x42, 0x62, 0xB2, 0xB2, 0xFF, 0x00}));
  struct stat st;
  ASSERT_EQ(stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);

  EXPECT_EQ(CapturedStdout([&] { loaded = Getsettings("murvel_settings"); }), Reading());
  EXPECT_TRUE(loaded);
  EXPECT_EQ(WIN_X, 30.0f);
  EXPECT_EQ(WIN_Y, 50.0f);
  EXPECT_EQ(WIN_W, 148.0f);
  EXPECT_EQ(WIN_H, 240.0f);
  EXPECT_EQ(backcolor, (rgb_color{98, 178, 178, 255}));
  EXPECT_EQ(wtfold, 0);
  // The image path is set whether or not the image is there.
  EXPECT_STREQ(Getsetbackimage, (folder_ + "/murvel_image").c_str());
}

TEST_F(SettingsTest, MovedWindowAndOptionsComeBackNextStart) {
  WriteFile(file_, std::string(40, '\x7f'));  // an older, longer file
  WIN_X = 200.0f;
  WIN_Y = 120.0f;
  backcolor = {1, 2, 3, 4};
  wtfold = 1;
  CapturedStdout([] { Setsettings("murvel_settings"); });
  const std::string bytes = ReadFile(file_);
  ASSERT_EQ(bytes.size(), 13u);
  EXPECT_EQ(bytes.substr(0, 8), Bytes({0x00, 0x00, 0x48, 0x43, 0x00, 0x00, 0xF0, 0x42}));
  EXPECT_EQ(bytes.substr(8), Bytes({1, 2, 3, 4, 1}));

  ResetSettings();
  ASSERT_TRUE(Getsettings("murvel_settings"));
  EXPECT_EQ(WIN_X, 200.0f);
  EXPECT_EQ(WIN_Y, 120.0f);
  EXPECT_EQ(WIN_W, 318.0f);
  EXPECT_EQ(WIN_H, 310.0f);
  EXPECT_EQ(backcolor, (rgb_color{1, 2, 3, 4}));
  EXPECT_EQ(wtfold, 1);
}

TEST_F(SettingsTest, ShortFileLoadsTheFieldsItHas) {
  WriteFile(file_, FloatBytes(200.0f) + "\x01\x02");
  ASSERT_TRUE(Getsettings("murvel_settings"));
  EXPECT_EQ(WIN_X, 200.0f);
  EXPECT_EQ(WIN_Y, 50.0f);
  EXPECT_EQ(backcolor, (rgb_color{98, 178, 178, 255}));

  ResetSettings();
  WriteFile(file_, FloatBytes(1.0f) + FloatBytes(2.0f) + "\x09\x08\x07\x06");
  ASSERT_TRUE(Getsettings("murvel_settings"));
  EXPECT_EQ(backcolor, (rgb_color{9, 8, 7, 6}));
  EXPECT_EQ(wtfold, 0);

  ResetSettings();
  WriteFile(file_, "");
  EXPECT_TRUE(Getsettings("murvel_settings"));
  EXPECT_EQ(WIN_W, 148.0f);
}

TEST_F(SettingsTest, UnusablePositionsKeepTheirValuesAndSaySo) {
  WriteFile(file_, FloatBytes(std::numeric_limits<float>::quiet_NaN()) + FloatBytes(1e6f) +
                       "\x10\x20\x30\xff\x05");
  std::string out = CapturedStdout([] { EXPECT_TRUE(Getsettings("murvel_settings")); });
  EXPECT_EQ(out, Reading() + "Settings: WIN_X nan unusable, keeping 30\n" +
                     "Settings: WIN_Y 1e+06 unusable, keeping 50\n");
  EXPECT_EQ(WIN_X, 30.0f);
  EXPECT_EQ(WIN_H, 240.0f);
  EXPECT_EQ(backcolor, (rgb_color{0x10, 0x20, 0x30, 0xff}));
  EXPECT_EQ(wtfold, 1);  // any set byte is on

  ResetSettings();
  WriteFile(file_, FloatBytes(-std::numeric_limits<float>::infinity()) + FloatBytes(-99999.0f));
  CapturedStdout([] { EXPECT_TRUE(Getsettings("murvel_settings")); });
  EXPECT_EQ(WIN_X, 30.0f);
  EXPECT_EQ(WIN_Y, -99999.0f);
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
  bool loaded = true;
  EXPECT_EQ(CapturedStdout([&] { loaded = Getsettings("murvel_settings"); }),
            Reading() + "Can't Getsettings\n");
  EXPECT_FALSE(loaded);
  EXPECT_EQ(CapturedStdout([] { Setsettings("murvel_settings"); }),
            "Path: '" + file_ + "'\ncan't set(fn)!\nEnde Setsettings\n");
  struct stat st;
  ASSERT_EQ(stat(file_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
}
