// Installing a file type into the user's freedesktop MIME database, and reading it back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "platform/MimeType.h"
#include "tests/platform/TempHome.h"

using plat::IconSize;

class MimeTypeTest : public TempHomeTest {
 protected:
  void SetUp() override {
    TempHomeTest::SetUp();
    for (int i = 0; i < 1024; ++i) largeBits_[i] = uint8_t(i * 3);
    for (int i = 0; i < 256; ++i) miniBits_[i] = uint8_t(255 - i);
  }

  plat::MimeType Coded(const std::string& exe) {
    plat::Bitmap large(32, 32), mini(16, 16);
    large.SetBits(largeBits_, sizeof largeBits_);
    mini.SetBits(miniBits_, sizeof miniBits_);
    plat::MimeType type("text/x-CodedData");
    type.SetShortDescription("CodedData");
    type.SetLongDescription("Vestrine Data-Container & more");
    type.SetIcon(large, IconSize::Large);
    type.SetIcon(mini, IconSize::Mini);
    type.SetPreferredApp("application/x-vnd.Telva-Murvel");
    type.SetAppExecutable(exe);
    return type;
  }

  static ino_t Inode(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_ino;
  }

  uint8_t largeBits_[1024];
  uint8_t miniBits_[256];
};

TEST_F(MimeTypeTest, InstalledTypeReadsBackWhole) {
  plat::MimeType type = Coded(root_ + "/my $bin/murvel");
  ASSERT_TRUE(type.Install()) << type.Install().why();

  plat::MimeType reader("text/x-CodedData");
  std::string text;
  ASSERT_TRUE(reader.GetShortDescription(&text));
  EXPECT_EQ(text, "CodedData");
  ASSERT_TRUE(reader.GetLongDescription(&text));
  EXPECT_EQ(text, "Vestrine Data-Container & more");
  ASSERT_TRUE(reader.GetPreferredApp(&text));
  EXPECT_EQ(text, "application/x-vnd.Telva-Murvel");
  uint8_t bits[1024];
  ASSERT_TRUE(reader.GetIcon(bits, IconSize::Large));
  EXPECT_EQ(std::memcmp(bits, largeBits_, 1024), 0);
  ASSERT_TRUE(reader.GetIcon(bits, IconSize::Mini));
  EXPECT_EQ(std::memcmp(bits, miniBits_, 256), 0);

  EXPECT_EQ(reader.IconPath(IconSize::Large),
            data_ + "/icons/hicolor/32x32/mimetypes/text-x-CodedData.png");
  const std::string entry = ReadFile(data_ + "/applications/x-vnd.Telva-Murvel.desktop");
  EXPECT_NE(entry.find("\nMimeType=text/x-CodedData;\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find("\nExec=\"" + root_ + "/my \\\\$bin/murvel\" %F\n"), std::string::npos)
      << entry;
  EXPECT_EQ(ReadFile(config_ + "/mimeapps.list"),
            "[Default Applications]\ntext/x-CodedData=x-vnd.Telva-Murvel.desktop;\n");
}

TEST_F(MimeTypeTest, SharedMimeInfoKnowsTheInstalledType) {
  if (system("command -v update-mime-database >/dev/null") != 0)
    GTEST_SKIP() << "update-mime-database (shared-mime-info) is not installed";
  ASSERT_TRUE(Coded("/usr/bin/true").Install());
  EXPECT_TRUE(Exists(data_ + "/mime/mime.cache"));
  FILE* query = popen((std::string(MURVEL_MIME_QUERY) + " text/x-CodedData").c_str(), "r");
  ASSERT_NE(query, nullptr);
  char line[256] = {};
  ASSERT_NE(fgets(line, sizeof line, query), nullptr);
  pclose(query);
  EXPECT_STREQ(line, "Vestrine Data-Container & more|text-x-CodedData\n");
}

TEST_F(MimeTypeTest, OtherAssociationsSurviveAndOursIsReplaced) {
  ASSERT_EQ(mkdir(config_.c_str(), 0755), 0);
  WriteFile(config_ + "/mimeapps.list",
            "[Added Associations]\ntext/x-CodedData=hex.desktop;\n\n"
            "[Default Applications]\nimage/png=viewer.desktop;\n"
            "text/x-CodedData=old.desktop;\n\n[Removed Associations]\n");
  ASSERT_TRUE(Coded("/usr/bin/true").Install());
  EXPECT_EQ(ReadFile(config_ + "/mimeapps.list"),
            "[Added Associations]\ntext/x-CodedData=hex.desktop;\n\n"
            "[Default Applications]\nimage/png=viewer.desktop;\n"
            "text/x-CodedData=x-vnd.Telva-Murvel.desktop;\n\n[Removed Associations]\n");
}

TEST_F(MimeTypeTest, ReinstallLeavesUnchangedFilesAlone) {
  ASSERT_TRUE(Coded("/usr/bin/true").Install());
  const std::string package = data_ + "/mime/packages/text-x-CodedData.xml";
  const std::string icon = data_ + "/icons/hicolor/16x16/mimetypes/text-x-CodedData.png";
  const ino_t packageInode = Inode(package), iconInode = Inode(icon);
  ASSERT_TRUE(Coded("/usr/bin/true").Install());
  EXPECT_EQ(Inode(package), packageInode);
  EXPECT_EQ(Inode(icon), iconInode);
  miniBits_[0] = 1;
  ASSERT_TRUE(Coded("/usr/bin/true").Install());
  EXPECT_NE(Inode(icon), iconInode);
}
