// The files that installing a file type writes into the user's freedesktop folders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "desktop/MimeType.h"
#include "tests/platform/TempHome.h"

using plat::IconSize;

class MimeTypeTest : public TempHomeTest {
 protected:
  // The coded-file type as the program installs it; `mini` is the mini icon's first byte.
  static plat::MimeType Coded(const std::string& exe, uint8_t mini = 0) {
    plat::Bitmap large(32, 32), small(16, 16);
    small.Bits()[0] = mini;
    plat::MimeType type("text/x-CodedData");
    type.SetShortDescription("CodedData");
    type.SetLongDescription("Vestrine Data-Container");
    type.SetIcon(large, IconSize::Large);
    type.SetIcon(small, IconSize::Mini);
    type.SetPreferredApp("application/x-vnd.Telva-Murvel");
    type.SetAppExecutable(exe);
    return type;
  }
  static ino_t Inode(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_ino;
  }
};

TEST_F(MimeTypeTest, DesktopEntryAndDefaultApplication) {
  plat::MimeType type = Coded(root_ + "/my $bin/murvel");
  ASSERT_TRUE(type.Install()) << type.Install().why();
  EXPECT_EQ(type.IconPath(IconSize::Large),
            data_ + "/icons/hicolor/32x32/mimetypes/text-x-CodedData.png");
  EXPECT_TRUE(Exists(type.IconPath(IconSize::Mini)));
  const std::string entry = ReadFile(data_ + "/applications/x-vnd.Telva-Murvel.desktop");
  EXPECT_NE(entry.find("\nMimeType=text/x-CodedData;\n"), std::string::npos) << entry;
  // Quoted for the desktop: the dollar takes a backslash, itself doubled in the string value.
  EXPECT_NE(entry.find("\nExec=\"" + root_ + "/my \\\\$bin/murvel\" %F\n"), std::string::npos)
      << entry;
  EXPECT_EQ(ReadFile(config_ + "/mimeapps.list"),
            "[Default Applications]\ntext/x-CodedData=x-vnd.Telva-Murvel.desktop;\n");
}

// A default the user chose for the type stays, and the list is not even rewritten; without one,
// ours joins the user's section and every other line stays.
TEST_F(MimeTypeTest, TheUsersDefaultStaysAndOursOnlyFillsAGap) {
  ASSERT_EQ(mkdir(config_.c_str(), 0755), 0);
  const std::string list = config_ + "/mimeapps.list";
  const std::string chosen =
      "[Added Associations]\ntext/x-CodedData=hex.desktop;\n\n"
      "[Default Applications]\nimage/png=viewer.desktop;\n"
      "text/x-CodedData=old.desktop;\n\n[Removed Associations]\n";
  WriteFile(list, chosen);
  ASSERT_EQ(chmod(list.c_str(), 0600), 0);
  const ino_t inode = Inode(list);
  ASSERT_TRUE(Coded("/usr/bin/true").Install());
  EXPECT_EQ(ReadFile(list), chosen);
  EXPECT_EQ(Inode(list), inode);

  std::string unset = chosen;
  unset.erase(unset.find("text/x-CodedData=old"), 30);
  WriteFile(list, unset);
  ASSERT_TRUE(Coded("/usr/bin/true").Install());
  std::string expected = unset;
  expected.insert(expected.find("\n\n[Removed") + 1,
                  "text/x-CodedData=x-vnd.Telva-Murvel.desktop;\n");
  EXPECT_EQ(ReadFile(list), expected);
  struct stat st {};
  ASSERT_EQ(stat(list.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A list the user cannot read (left owned by root, say) is not replaced by one holding our entry
// alone; the install says why.
TEST_F(MimeTypeTest, UnreadableListIsLeftAlone) {
  if (geteuid() != 0) GTEST_SKIP() << "reading as another user needs root";
  for (const std::string& dir : {root_, config_, data_}) {
    ASSERT_TRUE(dir == root_ || mkdir(dir.c_str(), 0777) == 0);
    ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
  }
  const std::string list = config_ + "/mimeapps.list";
  WriteFile(list, "[Default Applications]\nimage/png=viewer.desktop;\n");
  ASSERT_EQ(chmod(list.c_str(), 0600), 0);
  pid_t pid = fork();
  if (pid == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    _exit(Coded("/usr/bin/true").Install().ok() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_EQ(ReadFile(list), "[Default Applications]\nimage/png=viewer.desktop;\n");
}

TEST_F(MimeTypeTest, ReinstallLeavesUnchangedFilesAlone) {
  ASSERT_TRUE(Coded("/usr/bin/true").Install());
  const std::string package = data_ + "/mime/packages/text-x-CodedData.xml";
  const std::string icon = data_ + "/icons/hicolor/16x16/mimetypes/text-x-CodedData.png";
  const ino_t packageInode = Inode(package), iconInode = Inode(icon);
  ASSERT_TRUE(Coded("/usr/bin/true").Install());
  EXPECT_EQ(Inode(package), packageInode);
  EXPECT_EQ(Inode(icon), iconInode);
  ASSERT_TRUE(Coded("/usr/bin/true", 1).Install());
  EXPECT_NE(Inode(icon), iconInode);
}
