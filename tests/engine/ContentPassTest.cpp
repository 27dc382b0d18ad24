// The content pass on real files: the coded bytes follow the cipher rule for every length, a
// decoding gives the plain bytes back, and a failed pass leaves the file as it was.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <random>

#include "EngineTestSupport.h"
#include "engine/ContentPass.h"

namespace {

const uint8_t kKey[6] = {41, 72, 19, 86, 33, 54};

class ContentPassTest : public EngineTest {};

TEST_F(ContentPassTest, CodesEveryLengthByTheRuleAndDecodesBack) {
  std::vector<size_t> lengths = {0, 1, 5, 6, 7, 255, 256, 767, 768, 769};
  // Chunk edges and a few longer files, up to 10 MB.
  lengths.push_back(kPassChunkBytes - 1);
  lengths.push_back(kPassChunkBytes + 1);
  lengths.push_back(3 * kPassChunkBytes);
  std::mt19937 gen(7);
  for (int i = 0; i < 3; ++i) lengths.push_back(gen() % (10u << 20));
  for (size_t len : lengths) {
    SCOPED_TRACE(len);
    Bytes plain = RandomBytes(len, unsigned(len));
    std::string path = MakeFile("file", plain);
    ASSERT_TRUE(RunContentPass(path, kKey, CipherDirection::Code));
    Bytes coded = ReadFileBytes(path);
    ASSERT_EQ(coded.size(), len);
    EXPECT_TRUE(coded == CodedByRule(plain, kKey));
    ASSERT_TRUE(RunContentPass(path, kKey, CipherDirection::Decode));
    EXPECT_TRUE(ReadFileBytes(path) == plain);
  }
}

TEST_F(ContentPassTest, PositionsCombineWithTheirKeyByteAndCounter) {
  std::string path = MakeFile("zeros", Bytes(800, 0));
  ASSERT_TRUE(RunContentPass(path, kKey, CipherDirection::Code));
  Bytes coded = ReadFileBytes(path);
  EXPECT_EQ(coded[0], kKey[0]);
  EXPECT_EQ(coded[6], uint8_t(kKey[0] + 6));
  EXPECT_EQ(coded[256], uint8_t(kKey[4] + 0));
  EXPECT_EQ(coded[768], uint8_t(kKey[0] + 0));
  EXPECT_EQ(coded[769], uint8_t(kKey[1] + 1));
}

TEST_F(ContentPassTest, ProgressReachesTheWholeLength) {
  size_t len = 2 * kPassChunkBytes + 100;
  std::string path = MakeFile("file", RandomBytes(len, 3));
  std::vector<uint64_t> seen;
  ASSERT_TRUE(RunContentPass(path, kKey, CipherDirection::Code, [&](uint64_t done, uint64_t total) {
    EXPECT_EQ(total, len);
    seen.push_back(done);
  }));
  EXPECT_EQ(seen, (std::vector<uint64_t>{kPassChunkBytes, 2 * kPassChunkBytes, len}));
}

TEST_F(ContentPassTest, RefusesWhatIsNotAWritableRegularFile) {
  EXPECT_FALSE(RunContentPass(Path("missing"), kKey, CipherDirection::Code));
  EXPECT_FALSE(CheckPassable(Path("missing")));
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  plat::Outcome dir = RunContentPass(Path("sub"), kKey, CipherDirection::Code);
  EXPECT_FALSE(dir);
  EXPECT_FALSE(dir.why().empty());
  std::string path = MakeFile("ok", Bytes(10, 1));
  EXPECT_TRUE(CheckPassable(path));
  EXPECT_EQ(ReadFileBytes(path), Bytes(10, 1));
}

// A sparse file on a tiny tmpfs: coding fills its holes until the file system is full, partway
// through. The bytes already written must be turned back.
TEST_F(ContentPassTest, PassThatFailsPartwayLeavesTheFileAsItWas) {
  if (!RunningAsRoot()) GTEST_SKIP() << "mounting a small tmpfs needs root";
  std::string mnt = Path("small");
  ASSERT_EQ(mkdir(mnt.c_str(), 0755), 0);
  ASSERT_EQ(mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=1m"), 0) << std::strerror(errno);
  std::string path = mnt + "/sparse";
  size_t len = 4 * kPassChunkBytes;
  WriteFileBytes(path, Bytes(100, 9));
  ASSERT_EQ(truncate(path.c_str(), off_t(len)), 0);
  Bytes before = ReadFileBytes(path);
  plat::Outcome pass = RunContentPass(path, kKey, CipherDirection::Code);
  EXPECT_FALSE(pass);
  EXPECT_NE(pass.why().find("turned back"), std::string::npos) << pass.why();
  EXPECT_TRUE(ReadFileBytes(path) == before);
  EXPECT_EQ(umount(mnt.c_str()), 0);
}

}  // namespace
