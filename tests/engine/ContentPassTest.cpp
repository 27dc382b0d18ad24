// The content pass on real files: the coded bytes follow the cipher rule for every length,
// across chunk edges, and a decoding gives the plain bytes back.
#include <random>

#include "EngineTestSupport.h"
#include "engine/ContentPass.h"

namespace {

const uint8_t kKey[6] = {41, 72, 19, 86, 33, 54};

using ContentPassTest = EngineTest;

TEST_F(ContentPassTest, CodesEveryLengthByTheRuleAndDecodesBack) {
  std::vector<size_t> lengths = {0,
                                 1,
                                 5,
                                 6,
                                 7,
                                 255,
                                 256,
                                 767,
                                 768,
                                 769,
                                 kPassChunkBytes - 1,
                                 kPassChunkBytes + 1,
                                 3 * kPassChunkBytes};
  std::mt19937 gen(7);
  for (int i = 0; i < 3; ++i) lengths.push_back(gen() % (10u << 20));
  for (size_t len : lengths) {
    SCOPED_TRACE(len);
    Bytes plain = RandomBytes(len, unsigned(len));
    std::string path = MakeFile("file", plain);
    uint64_t lastDone = 0;
    auto progress = [&](uint64_t done, uint64_t total) {
      EXPECT_EQ(total, len);
      EXPECT_GT(done, lastDone);
      lastDone = done;
    };
    ASSERT_TRUE(RunContentPass(path, kKey, CipherDirection::Code, progress));
    EXPECT_EQ(lastDone, len);
    EXPECT_TRUE(ReadFileBytes(path) == CodedByRule(plain, kKey));
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
  EXPECT_EQ(coded[256], kKey[4]);
  EXPECT_EQ(coded[768], kKey[0]);
  EXPECT_EQ(coded[769], uint8_t(kKey[1] + 1));
}

}  // namespace
