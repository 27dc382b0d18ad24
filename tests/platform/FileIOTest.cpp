// Crash-safe whole-file writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/Directory.h"
#include "platform/FileIO.h"
#include "tests/platform/TempHome.h"

class FileIOTest : public TempHomeTest {};

TEST_F(FileIOTest, ReplacesTheFileWholeWithItsMode) {
  const std::string path = root_ + "/f";
  WriteFile(path, std::string(100, 'o'));
  chmod(path.c_str(), 0600);
  ASSERT_TRUE(plat::WriteFileAtomically(path, "new", 3, 0644));
  EXPECT_EQ(ReadFile(path), "new");
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  // No temporary file stays behind.
  plat::Directory dir(root_);
  std::string entry;
  int entries = 0;
  while (dir.GetNextRef(&entry) == 0) ++entries;
  EXPECT_EQ(entries, 2);  // "home" and "f"
}

TEST_F(FileIOTest, LinkedFileIsReplacedAndTheLinkKept) {
  const std::string target = root_ + "/home/kept", link = root_ + "/link";
  WriteFile(target, "old");
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  ASSERT_TRUE(plat::WriteFileAtomically(link, "new", 3, 0644));
  EXPECT_EQ(ReadFile(target), "new");
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}
