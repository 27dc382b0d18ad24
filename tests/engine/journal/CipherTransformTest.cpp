// The fast content transform against the byte-by-byte rule: the same bytes for every length,
// every position in the 768-byte period, every way of cutting a pass into chunks, both ways.
#include <algorithm>
#include <random>

#include "engine/journal/CipherTransform.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

const uint8_t kKey[6] = {54, 19, 34, 85, 33, 54};

// Runs both transforms on copies of `plain`, as if it lay at file position `offset`.
void ExpectSameAsSimple(const Bytes& plain, uint64_t offset, CipherDirection dir) {
  Bytes fast = plain, simple = plain;
  TransformBytes(fast.data(), fast.size(), offset, kKey, dir);
  TransformBytesSimple(simple.data(), simple.size(), offset, kKey, dir);
  ASSERT_TRUE(fast == simple) << "length " << plain.size() << " offset " << offset;
}

TEST(CipherTransform, EveryLengthAndPhaseMatchesTheSimpleRule) {
  const Bytes data = RandomBytes(2000, 1);
  for (size_t len = 0; len <= data.size(); ++len) {
    Bytes plain(data.begin(), data.begin() + long(len));
    // Every length from the file's start, and from each place in two periods (offsets beyond
    // 32 bits keep their place in the period).
    uint64_t phase = len % (2 * kCipherPeriod) + (len % 2 ? uint64_t(1) << 33 : 0);
    for (uint64_t offset : {uint64_t(0), phase}) {
      ExpectSameAsSimple(plain, offset, CipherDirection::Code);
      ExpectSameAsSimple(plain, offset, CipherDirection::Decode);
    }
  }
}

TEST(CipherTransform, ChunkedPassGivesTheWholeBufferResultAtEveryCut) {
  const Bytes plain = RandomBytes(2000, 3);
  Bytes whole = plain;
  TransformBytesSimple(whole.data(), whole.size(), 0, kKey, CipherDirection::Code);
  for (size_t chunk = 1; chunk <= plain.size(); ++chunk) {
    Bytes v = plain;
    for (size_t at = 0; at < v.size(); at += chunk) {
      TransformBytes(v.data() + at, std::min(chunk, v.size() - at), at, kKey,
                     CipherDirection::Code);
    }
    ASSERT_TRUE(v == whole) << "chunks of " << chunk;
  }
}

TEST(CipherTransform, RandomLengthsUpTo20MBMatchAndRoundTrip) {
  std::mt19937 gen(4);
  for (int round = 0; round < 3; ++round) {
    size_t len = round == 0 ? (20u << 20) : gen() % (20u << 20);
    uint64_t offset = round == 0 ? 0 : (uint64_t(gen()) << 4);
    const Bytes plain = RandomBytes(len, 100 + round);
    Bytes fast = plain, simple = plain;
    TransformBytes(fast.data(), len, offset, kKey, CipherDirection::Code);
    TransformBytesSimple(simple.data(), len, offset, kKey, CipherDirection::Code);
    ASSERT_TRUE(fast == simple) << "length " << len << " offset " << offset;
    TransformBytes(fast.data(), len, offset, kKey, CipherDirection::Decode);
    ASSERT_TRUE(fast == plain) << "round trip, length " << len;
  }
}

}  // namespace
