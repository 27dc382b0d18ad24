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

TEST_F(FileIOTest, FailuresLeaveTheOldFile) {
  plat::Outcome noFolder = plat::WriteFileAtomically(root_ + "/none/f", "x", 1, 0644);
  EXPECT_FALSE(noFolder);
  EXPECT_NE(noFolder.why().find("none/f"), std::string::npos);
  // A folder in the way is not replaced.
  ASSERT_EQ(mkdir((root_ + "/dir").c_str(), 0755), 0);
  EXPECT_FALSE(plat::WriteFileAtomically(root_ + "/dir", "x", 1, 0644));
  std::string contents;
  EXPECT_FALSE(plat::ReadWholeFile(root_ + "/dir", &contents));
  EXPECT_FALSE(plat::ReadWholeFile(root_ + "/none", &contents));
}
