// The owner of an open file and its lock: the lock held as long as its owner, moved with it,
// given up with it, and the descriptor closed once.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <utility>

#include "platform/OpenFile.h"
#include "tests/platform/TempHome.h"

class OpenFileTest : public TempHomeTest {};

TEST_F(OpenFileTest, TheLockGoesWithItsOwner) {
  const std::string path = root_ + "/f";
  WriteFile(path, "x");
  plat::OpenFile other = plat::OpenFile::Open(path, O_RDONLY);
  ASSERT_TRUE(other.IsOpen());
  int firstFd = -1;
  {
    plat::OpenFile first = plat::OpenFile::Open(path, O_RDWR);
    ASSERT_TRUE(first.IsOpen());
    firstFd = first.Fd();
    ASSERT_EQ(first.TryLock(), 0);
    EXPECT_EQ(first.TryLock(), 0);  // held already
    EXPECT_TRUE(other.LockedByAnother());

    // Moved, the lock and the descriptor go along; the one moved from owns nothing.
    plat::OpenFile moved = std::move(first);
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(first.Close(), 0);
    EXPECT_EQ(moved.Fd(), firstFd);
    EXPECT_NE(fcntl(firstFd, F_GETFD), -1);
    EXPECT_TRUE(other.LockedByAnother());

    // Assigning over an owner lets its file go first.
    plat::OpenFile third = plat::OpenFile::Open(path, O_RDONLY);
    const int thirdFd = third.Fd();
    third = std::move(moved);
    EXPECT_EQ(fcntl(thirdFd, F_GETFD), -1);
    EXPECT_EQ(third.Fd(), firstFd);
    EXPECT_TRUE(other.LockedByAnother());
  }
  // Its last owner gone, the lock is free and the descriptor closed.
  EXPECT_EQ(fcntl(firstFd, F_GETFD), -1);
  EXPECT_EQ(other.TryLock(), 0);

  plat::OpenFile missing = plat::OpenFile::Open(root_ + "/absent", O_RDONLY);
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(missing.Fd(), -ENOENT);
  EXPECT_EQ(missing.TryLock(), -EBADF);
}
