// Paths, links, standard folders and folder iteration.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "platform/Directory.h"
#include "platform/Paths.h"
#include "tests/platform/TempHome.h"

using plat::LeafOf;
using plat::Normalized;
using plat::ParentOf;

TEST(PathsTest, LeafAndParent) {
  const struct {
    const char *path, *leaf, *parent;
  } cases[] = {
      {"/a/b/c.txt", "c.txt", "/a/b"}, {"/a/b/", "b", "/a"}, {"/a//b", "b", "/a"}, {"/x", "x", "/"},
      {"name", "name", "."},           {"/", "", "/"},       {"", "", "."}};
  for (const auto& c : cases) {
    EXPECT_EQ(LeafOf(c.path), c.leaf) << c.path;
    EXPECT_EQ(ParentOf(c.path), c.parent) << c.path;
  }
}

TEST(PathsTest, NormalizedResolvesDotsLexically) {
  EXPECT_EQ(Normalized("/a/./b/../c//d/"), "/a/c/d");
  EXPECT_EQ(Normalized("/../.."), "/");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(Normalized("x/../y"), std::string(cwd == std::string("/") ? "" : cwd) + "/y");
}

class FoldersTest : public TempHomeTest {};

TEST_F(FoldersTest, UserSettingsFolderFollowsTheXdgRules) {
  std::string dir;
  ASSERT_TRUE(plat::FindUserSettingsDirectory(&dir, false));
  EXPECT_EQ(dir, config_);
  EXPECT_FALSE(Exists(config_));  // looked up, not made
  ASSERT_TRUE(plat::FindUserSettingsDirectory(&dir, true));
  EXPECT_TRUE(Exists(config_));
  SetEnv("XDG_CONFIG_HOME", "relative/is/ignored");
  ASSERT_TRUE(plat::FindUserSettingsDirectory(&dir, false));
  EXPECT_EQ(dir, home_ + "/.config");
  SetEnv("HOME", nullptr);
  EXPECT_FALSE(plat::FindUserSettingsDirectory(&dir, false));
  EXPECT_FALSE(plat::FindUserDataDirectory(&dir) && dir != data_);
  SetEnv("XDG_DATA_HOME", nullptr);
  EXPECT_FALSE(plat::FindUserDataDirectory(&dir));
}

TEST_F(FoldersTest, DirectoryListsEveryEntryOnce) {
  WriteFile(root_ + "/a", "");
  ASSERT_EQ(mkdir((root_ + "/sub").c_str(), 0755), 0);
  ASSERT_EQ(symlink("a", (root_ + "/link").c_str()), 0);
  plat::Directory dir(root_ + "/");
  ASSERT_EQ(dir.InitCheck(), 0);
  std::vector<std::string> seen;
  std::string path;
  while (dir.GetNextRef(&path) == 0) seen.push_back(path);
  EXPECT_EQ(dir.GetNextRef(&path), -ENOENT);
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{root_ + "/a", root_ + "/home", root_ + "/link",
                                            root_ + "/sub"}));
  plat::Directory missing(root_ + "/none");
  EXPECT_EQ(missing.InitCheck(), -ENOENT);
  EXPECT_LT(missing.GetNextRef(&path), 0);
}
