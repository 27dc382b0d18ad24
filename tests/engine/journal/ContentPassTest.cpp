// The content pass on real files, through the window's bytes-only operation: the coded bytes
// follow the cipher rule for every length, across window edges, and a decoding gives the plain
// bytes back; progress is told as it goes; the journal's flusher says a flush is done only when
// it is.
#include <chrono>
#include <filesystem>
#include <future>
#include <random>

#include "engine/journal/Journal.h"
#include "engine/journal/JournalFlusher.h"
#include "platform/FileCalls.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

const uint8_t kKey[6] = {41, 72, 19, 86, 33, 54};

using ContentPassTest = EngineTest;

TEST_F(ContentPassTest, CodesEveryLengthByTheRuleAndDecodesBack) {
  // Small windows, so that files cross many of them.
  engine_->SetWindowBytes(3 * 4096);
  std::vector<size_t> lengths = {0,     1,   5,    6,    7,    255,          256,      767,
                                 768,   769, 4095, 4096, 4097, 3 * 4096 - 1, 3 * 4096, 3 * 4096 + 1,
                                 100000};
  std::mt19937 gen(7);
  for (int i = 0; i < 3; ++i) lengths.push_back(gen() % (1u << 20));
  for (size_t len : lengths) {
    SCOPED_TRACE(len);
    Bytes plain = RandomBytes(len, unsigned(len));
    std::string path = MakeFile("file", plain);
    view_.progress.clear();
    ASSERT_TRUE(engine_->TurnBytes(path, kKey, CipherDirection::Code).done());
    EXPECT_TRUE(ReadFileBytes(path) == CodedByRule(plain, kKey));
    for (size_t i = 1; i < view_.progress.size(); ++i)
      EXPECT_GT(view_.progress[i].done, view_.progress[i - 1].done);
    if (len > 0) {
      EXPECT_EQ(view_.progress.back().done, len);
    }
    ASSERT_TRUE(engine_->TurnBytes(path, kKey, CipherDirection::Decode).done());
    EXPECT_TRUE(ReadFileBytes(path) == plain);
    // Nothing of the change is left behind: no marker, no journal.
    EXPECT_EQ(AllXattrs(path), XattrMap());
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

TEST_F(ContentPassTest, PositionsCombineWithTheirKeyByteAndCounter) {
  std::string path = MakeFile("zeros", Bytes(800, 0));
  ASSERT_TRUE(engine_->TurnBytes(path, kKey, CipherDirection::Code).done());
  Bytes coded = ReadFileBytes(path);
  EXPECT_EQ(coded[0], kKey[0]);
  EXPECT_EQ(coded[6], uint8_t(kKey[0] + 6));
  EXPECT_EQ(coded[256], kKey[4]);
  EXPECT_EQ(coded[768], kKey[0]);
  EXPECT_EQ(coded[769], uint8_t(kKey[1] + 1));
}

}  // namespace

// A journal flush that cannot finish until the test lets it, and that says when it has begun.
struct HeldFlush : plat::SystemFileCalls {
  std::promise<void> begun;
  std::shared_future<void> release;
  bool told = false;
  int Fdatasync(int fd) override {
    if (!std::exchange(told, true)) begun.set_value();
    release.wait();
    return SystemFileCalls::Fdatasync(fd);
  }
};

// The flusher that overlaps the pass says a flush is done only once it is: a window asked for
// while the flush is under way waits for it, whenever the wait is asked for.
TEST_F(ContentPassTest, TheJournalFlusherSaysDoneOnlyAfterTheFlush) {
  JournalWriter journal;
  ASSERT_TRUE(journal.Create(dir_));
  std::promise<void> release;
  HeldFlush held;
  held.release = release.get_future().share();
  std::future<void> begun = held.begun.get_future();
  plat::SetFileCalls(&held);
  {
    JournalFlusher flusher(journal);
    const uint64_t number = flusher.Request();
    begun.wait();
    std::future<bool> waited =
        std::async(std::launch::async, [&] { return bool(flusher.Wait(number)); });
    EXPECT_EQ(waited.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    release.set_value();
    EXPECT_TRUE(waited.get());
  }
  plat::SetFileCalls(nullptr);
  EXPECT_TRUE(journal.Remove());
}
