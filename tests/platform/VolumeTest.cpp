// The volume probe on this machine's disk and, for real, on a file system without attributes.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include "platform/Volume.h"
#include "tests/platform/TempHome.h"

class VolumeTest : public TempHomeTest {};

TEST_F(VolumeTest, DiskWithAttributesKnowsBoth) {
  const std::string file = root_ + "/f";
  WriteFile(file, "x");
  plat::Volume volume;
  ASSERT_EQ(volume.SetTo(file), 0);
  EXPECT_TRUE(volume.KnowsAttr());
  EXPECT_TRUE(volume.KnowsMime());
  EXPECT_EQ(volume.SetTo(root_ + "/missing"), -ENOENT);
  EXPECT_FALSE(volume.KnowsAttr());
  // A link that leads nowhere is on the volume of the link itself.
  ASSERT_EQ(symlink("nowhere", (root_ + "/dangling").c_str()), 0);
  EXPECT_EQ(volume.SetTo(root_ + "/dangling"), 0);
  EXPECT_TRUE(volume.KnowsAttr());
}

TEST_F(VolumeTest, RamfsKnowsNeither) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a ramfs needs root";
  const std::string mountPoint = root_ + "/ramfs";
  ASSERT_EQ(mkdir(mountPoint.c_str(), 0755), 0);
  // In a mount namespace of this process's own, so that nothing shows outside even if the test
  // dies before it unmounts.
  if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("none", mountPoint.c_str(), "ramfs", 0, nullptr) != 0)
    GTEST_SKIP() << "cannot mount a ramfs here: " << strerror(errno);
  // Unmounted however the test ends, before the temporary folder is removed.
  struct Unmount {
    std::string at;
    ~Unmount() { EXPECT_EQ(umount2(at.c_str(), MNT_DETACH), 0); }
  } unmount{mountPoint};
  const std::string file = mountPoint + "/f";
  WriteFile(file, "x");
  plat::Volume volume;
  EXPECT_EQ(volume.SetTo(file), 0);
  EXPECT_FALSE(volume.KnowsAttr());
  EXPECT_FALSE(volume.KnowsMime());
  // A link on the disk that points into the ramfs is judged by its target's volume.
  const std::string link = root_ + "/into-ramfs";
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  EXPECT_EQ(volume.SetTo(link), 0);
  EXPECT_FALSE(volume.KnowsAttr());
  const std::string dangling = mountPoint + "/dangling";
  ASSERT_EQ(symlink("nowhere", dangling.c_str()), 0);
  EXPECT_EQ(volume.SetTo(dangling), 0);
  EXPECT_FALSE(volume.KnowsAttr());
}
