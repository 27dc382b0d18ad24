// Crash-safe whole-file writes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

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

// Only a regular file or nothing is replaced. A link, through a chain of links with relative
// targets too, leads to what is written; a FIFO at its end, or a loop, stops the write with the
// node as it was and no temporary file left behind.
TEST_F(FileIOTest, OnlyARegularFileOrNothingAtTheEndOfTheLinksIsReplaced) {
  const std::string home = root_ + "/home";
  const std::string fifo = home + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(symlink("fifo", (home + "/to-fifo").c_str()), 0);
  ASSERT_EQ(symlink("home/to-fifo", (root_ + "/chain").c_str()), 0);
  ASSERT_EQ(symlink("loop-b", (home + "/loop-a").c_str()), 0);
  ASSERT_EQ(symlink("loop-a", (home + "/loop-b").c_str()), 0);
  ASSERT_EQ(symlink("home/new", (root_ + "/dangling").c_str()), 0);

  const std::string toFifo = "': it leads to a FIFO, not a regular file ('" + fifo + "')";
  const struct {
    std::string path, why;
  } refused[] = {
      {fifo, "cannot replace '" + fifo + "': it is a FIFO, not a regular file"},
      {home + "/to-fifo", "cannot replace '" + home + "/to-fifo" + toFifo},
      {root_ + "/chain", "cannot replace '" + root_ + "/chain" + toFifo},
      {home + "/loop-a", "cannot replace '" + home + "/loop-a': Too many levels of symbolic links"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.path);
    const plat::Outcome written = plat::WriteFileAtomically(r.path, "new", 3, 0644);
    EXPECT_FALSE(written);
    EXPECT_EQ(written.why(), r.why);
  }
  struct stat st;
  ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ASSERT_EQ(lstat((home + "/to-fifo").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  // A link that leads nowhere yet: the file is made where it leads, and the link stays.
  ASSERT_TRUE(plat::WriteFileAtomically(root_ + "/dangling", "new", 3, 0644));
  EXPECT_EQ(ReadFile(home + "/new"), "new");
  ASSERT_EQ(lstat((root_ + "/dangling").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  // Told not to follow links, the writer refuses one and leaves what it leads to alone.
  EXPECT_FALSE(plat::WriteFileAtomically(root_ + "/dangling", "other", 5, 0644, false));
  EXPECT_EQ(ReadFile(home + "/new"), "new");

  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(home))
    left.push_back(entry.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"fifo", "loop-a", "loop-b", "new", "to-fifo"}));
}
