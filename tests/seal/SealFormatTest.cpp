// The format against its description: the vectors, and records read as another user or a
// damaged sector may have left them.
#include <gtest/gtest.h>

#include "tests/seal/SealTestSupport.h"
#include "tests/seal/SealVectors.h"

using namespace seal;

namespace {

template <size_t N>
std::array<uint8_t, N> Counting(uint8_t from) {
  std::array<uint8_t, N> out;
  for (size_t i = 0; i < N; ++i) out[i] = uint8_t(from + i);
  return out;
}

Bytes Of(const uint8_t* data, size_t size) {
  return Bytes(data, data + size);
}

}  // namespace

TEST(SealVectors, FixedInputsGiveTheDescribedBytes) {
  const SealVector v;
  const PasswordKey key = Derive(v.password, Counting<kSaltSize>(0x00), {2, 64});
  ASSERT_FALSE(key.empty());
  EXPECT_EQ(Of(key.key(), kKeySize), Hex(v.derived_key));

  const auto data_key = Counting<kKeySize>(0x20);
  NewSeal made = MakeSealWith(key, v.content.size(), data_key.data(), Counting<kNonceSize>(0x40),
                              Counting<kNonceSize>(0x60));
  EXPECT_EQ(Of(made.keys.stream_key(), kKeySize), Hex(v.stream_key));
  EXPECT_EQ(Of(made.keys.mac_key(), kKeySize), Hex(v.mac_key));
  const Bytes file = SealWith(made, Bytes(v.content.begin(), v.content.end()));
  Bytes expected = Hex(v.sealed_content);
  const Bytes record = Hex(v.record);
  expected.insert(expected.end(), record.begin(), record.end());
  EXPECT_EQ(file, expected);

  uint8_t far[8] = {};
  TransformContent(made.keys, (uint64_t(1) << 38) - 3, far, sizeof far);
  EXPECT_EQ(Of(far, sizeof far), Hex(v.far_keystream));

  // And back: the record read is the one written, and the password opens the file.
  const RecordResult read = DecodeRecord(record.data(), record.size());
  ASSERT_EQ(read.fault, SealFault::None);
  EXPECT_EQ(Of(EncodeRecord(read.record).data(), kRecordSize), record);
  const Opened opened = OpenBytes(v.password, expected);
  ASSERT_EQ(opened.fault, SealFault::None);
  EXPECT_EQ(opened.content, Bytes(v.content.begin(), v.content.end()));
}

TEST(SealRecordTest, HostileRecordsAreRefusedForWhatTheyAre) {
  const SealVector v;
  const Bytes record = Hex(v.record);
  auto decoded = [](const Bytes& bytes) { return DecodeRecord(bytes.data(), bytes.size()).fault; };
  auto found = [](const Bytes& bytes) { return FindTrailer(bytes.data(), bytes.size()).fault; };

  // Too short for a tail, or no magic: not sealed at all.
  for (size_t n = 0; n <= kTailSize; ++n) {
    const Bytes end(record.end() - n, record.end());
    EXPECT_EQ(decoded(end), n < kTailSize ? SealFault::NotSealed : SealFault::Damaged) << n;
    EXPECT_EQ(found(end), n < kTailSize ? SealFault::NotSealed : SealFault::Damaged) << n;
  }
  // A tail whose length reaches before the bytes given, past the longest record, or is zero.
  for (uint32_t length : {uint32_t(kRecordSize), uint32_t(kMaxRecordSize), 0xffffffffu, 0u}) {
    Bytes bad = Bytes(4096 + 32, 0);
    bad.insert(bad.end(), record.begin(), record.end());
    for (int i = 0; i < 4; ++i) bad[bad.size() - kTailSize + i] = uint8_t(length >> (8 * i));
    EXPECT_EQ(found(bad), SealFault::Damaged) << length;
  }

  // Sound checks over what no version-1 sealer writes.
  Bytes other = record;
  other[0] = 2;
  EXPECT_EQ(decoded(Rechecked(other)), SealFault::UnknownVersion);
  // A later version's longer record, found in a file's last bytes; one longer than any
  // reader takes is not.
  auto later = [&](size_t size) {
    Bytes bytes(record.begin(), record.end() - kTailSize);
    bytes[0] = 2;
    bytes.resize(size - kTailSize, 0x55);
    bytes.insert(bytes.end(), record.end() - kTailSize, record.end());
    for (int i = 0; i < 4; ++i)
      bytes[size - kTailSize + i] = uint8_t((size - kTailSize) >> (8 * i));
    Bytes file(5000, 0);
    const Bytes rechecked = Rechecked(bytes);
    file.insert(file.end(), rechecked.begin(), rechecked.end());
    return file;
  };
  EXPECT_EQ(found(later(1000)), SealFault::UnknownVersion);
  EXPECT_EQ(found(later(kMaxRecordSize)), SealFault::UnknownVersion);
  EXPECT_EQ(found(later(kMaxRecordSize + 1)), SealFault::Damaged);
  Bytes shorter(record.begin(), record.end() - kTailSize - 1);  // version 1, a byte short
  shorter.insert(shorter.end(), record.end() - kTailSize, record.end());
  shorter[shorter.size() - kTailSize] = uint8_t(kRecordSize - kTailSize - 1);
  EXPECT_EQ(decoded(Rechecked(shorter)), SealFault::Damaged);

  // Costs a reader will not run: refused before anything is derived. The most it runs is read.
  Record costly = DecodeRecord(record.data(), record.size()).record;
  costly.header.cost = kMaxCost;
  const RecordBytes most = EncodeRecord(costly);
  EXPECT_EQ(DecodeRecord(most.data(), most.size()).fault, SealFault::None);
  for (Cost cost : {Cost{0, 64}, Cost{17, 64}, Cost{1, 7}, Cost{1, 4 * 1024 * 1024 + 1}}) {
    costly.header.cost = cost;
    const RecordBytes bytes = EncodeRecord(costly);
    EXPECT_EQ(DecodeRecord(bytes.data(), bytes.size()).fault, SealFault::CostOutOfRange);
    EXPECT_EQ(DeriveKey("x", 1, costly.header.salt, cost).fault, SealFault::CostOutOfRange);
  }
}
