// The fast content transform against the byte-by-byte rule: same bytes for every length, every
// position in the 768-byte period, every way of cutting a pass into chunks, both directions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/CipherTransform.h"

namespace {

const uint8_t kKey[6] = {13 + 41, 12 + 7, 11 + 23, 85, 22 + 11, 23 + 31};

std::vector<uint8_t> RandomBytes(size_t len, uint32_t seed) {
  std::vector<uint8_t> v(len);
  std::mt19937 gen(seed);
  for (auto& b : v) b = uint8_t(gen());
  return v;
}

// Runs both transforms on copies of `plain` and compares them.
void ExpectSameAsSimple(const std::vector<uint8_t>& plain, uint64_t offset, CipherDirection dir) {
  std::vector<uint8_t> fast = plain, simple = plain;
  TransformBytes(fast.data(), fast.size(), offset, kKey, dir);
  TransformBytesSimple(simple.data(), simple.size(), offset, kKey, dir);
  ASSERT_EQ(fast, simple) << "length " << plain.size() << " offset " << offset;
}

TEST(CipherTransform, SimpleRuleMatchesTheDocumentedPositions) {
  // Position 6: K[0] and counter 6; position 256: K[4] and counter 0; position 768: K[0], 0.
  std::vector<uint8_t> zeros(800, 0);
  TransformBytesSimple(zeros.data(), zeros.size(), 0, kKey, CipherDirection::Code);
  EXPECT_EQ(zeros[0], kKey[0]);
  EXPECT_EQ(zeros[6], uint8_t(kKey[0] + 6));
  EXPECT_EQ(zeros[255], uint8_t(kKey[255 % 6] + 255));
  EXPECT_EQ(zeros[256], kKey[4]);
  EXPECT_EQ(zeros[768], kKey[0]);
  std::vector<uint8_t> one{0x10};
  TransformBytesSimple(one.data(), 1, 0, kKey, CipherDirection::Decode);
  EXPECT_EQ(one[0], uint8_t(0x10 - kKey[0]));
}

TEST(CipherTransform, EveryLengthUpTo2000MatchesSimpleBothWays) {
  const auto data = RandomBytes(2000, 1);
  for (size_t len = 0; len <= 2000; ++len) {
    std::vector<uint8_t> plain(data.begin(), data.begin() + len);
    ExpectSameAsSimple(plain, 0, CipherDirection::Code);
    ExpectSameAsSimple(plain, 0, CipherDirection::Decode);
  }
}

TEST(CipherTransform, EveryPhaseOfThePeriodMatchesSimple) {
  const auto plain = RandomBytes(1700, 2);
  for (uint64_t phase = 0; phase < 2 * kCipherPeriod; ++phase) {
    ExpectSameAsSimple(plain, phase, CipherDirection::Code);
    ExpectSameAsSimple(plain, phase, CipherDirection::Decode);
  }
  // Offsets beyond 32 bits keep their place in the period.
  ExpectSameAsSimple(plain, (uint64_t(1) << 33) + 5, CipherDirection::Code);
  ExpectSameAsSimple(plain, (uint64_t(1) << 40) + 767, CipherDirection::Decode);
}

TEST(CipherTransform, ChunkedPassGivesTheWholeBufferResultAtEveryCut) {
  const auto plain = RandomBytes(2000, 3);
  std::vector<uint8_t> whole = plain;
  TransformBytesSimple(whole.data(), whole.size(), 0, kKey, CipherDirection::Code);
  // One cut anywhere.
  for (size_t cut = 0; cut <= plain.size(); ++cut) {
    std::vector<uint8_t> v = plain;
    TransformBytes(v.data(), cut, 0, kKey, CipherDirection::Code);
    TransformBytes(v.data() + cut, v.size() - cut, cut, kKey, CipherDirection::Code);
    ASSERT_EQ(v, whole) << "cut at " << cut;
  }
  // Regular chunks of every size from 1 to 800.
  for (size_t chunk = 1; chunk <= 800; ++chunk) {
    std::vector<uint8_t> v = plain;
    for (size_t at = 0; at < v.size(); at += chunk) {
      size_t n = std::min(chunk, v.size() - at);
      TransformBytes(v.data() + at, n, at, kKey, CipherDirection::Code);
    }
    ASSERT_EQ(v, whole) << "chunks of " << chunk;
  }
}

TEST(CipherTransform, RandomLengthsUpTo20MBMatchSimpleAndRoundTrip) {
  std::mt19937 gen(4);
  std::uniform_int_distribution<size_t> lenDist(0, 20u << 20);
  std::uniform_int_distribution<uint64_t> offDist(0, uint64_t(1) << 36);
  for (int round = 0; round < 4; ++round) {
    size_t len = round == 0 ? (20u << 20) : lenDist(gen);
    uint64_t offset = round == 0 ? 0 : offDist(gen);
    const auto plain = RandomBytes(len, 100 + round);
    std::vector<uint8_t> fast = plain, simple = plain;
    TransformBytes(fast.data(), len, offset, kKey, CipherDirection::Code);
    TransformBytesSimple(simple.data(), len, offset, kKey, CipherDirection::Code);
    ASSERT_EQ(fast, simple) << "length " << len << " offset " << offset;
    TransformBytes(fast.data(), len, offset, kKey, CipherDirection::Decode);
    ASSERT_EQ(fast, plain) << "round trip, length " << len;
  }
}

}  // namespace
