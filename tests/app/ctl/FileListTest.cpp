// The walk of murvelctl -r, a few names held at a time: every file once, in name order, folder
// by folder, each batch from one folder only; links and journals as murvelctl lists them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/ctl/FileList.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

class FileListTest : public EngineTest {};

TEST_F(FileListTest, FoldersLargerThanTheNamesHeldAreWalkedInOrderInBatchesOfOneFolder) {
  const int home = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  ASSERT_EQ(mkdir("w", 0755), 0);
  ASSERT_EQ(mkdir("w/m", 0755), 0);
  std::vector<std::string> expected;
  // The subfolder "m" comes between the files of "w" ("f10".."f20" before it, "z" after).
  for (int i = 10; i <= 20; ++i) {
    MakeFile("w/f" + std::to_string(i), Bytes(3, 'x'));
    expected.push_back("w/f" + std::to_string(i));
  }
  for (const char* name : {"a", "b", "c", "d"}) {
    MakeFile(std::string("w/m/") + name, Bytes(3, 'y'));
    expected.push_back(std::string("w/m/") + name);
  }
  MakeFile("w/.murvel-journal-abcdef", Bytes(3, 'j'));
  ASSERT_EQ(symlink("f10", Path("w/z").c_str()), 0);
  expected.push_back("w/z");

  FileStream stream({"w"}, true, false, 3);
  std::vector<ListedFile> batch;
  std::vector<std::string> listed;
  while (stream.Next(&batch, 4)) {
    ASSERT_FALSE(batch.empty());
    ASSERT_LE(batch.size(), 4u);
    const std::string folder = batch[0].path.substr(0, batch[0].path.rfind('/'));
    for (const ListedFile& f : batch) {
      EXPECT_EQ(f.path.substr(0, f.path.rfind('/')), folder) << f.path;
      EXPECT_EQ(f.skipped.empty(), f.path != "w/z") << f.path;
      if (f.skipped.empty()) {
        EXPECT_EQ(EngineName(f), f.path);
      }
      listed.push_back(f.path);
    }
  }
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(fchdir(home), 0);
  close(home);
}

}  // namespace
