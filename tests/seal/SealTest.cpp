// Sealing's promises: a wrong password and every changed byte refused, a fresh key and nonce
// for every seal (one derivation for a whole call), sealed bytes that do not compress, and a
// stream whose pages can be done alone.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <set>

#include "tests/seal/SealTestSupport.h"

using namespace seal;

namespace {

Bytes Text(size_t size) {
  std::string text;
  for (int line = 0; text.size() < size; ++line)
    text += "Line " + std::to_string(line) + " of a letter nobody else should read.\n";
  return Bytes(text.begin(), text.begin() + long(size));
}

PasswordKey NewKey(const std::string& password) {
  return DeriveNewKey(password.data(), password.size(), kTestCost).key;
}

}  // namespace

TEST(SealTest, AWrongPasswordIsRefusedAndTheRightOneOpens) {
  const Bytes content = Text(5000);
  const PasswordKey key = NewKey("right");
  const Bytes file = SealBytes(key, content);
  EXPECT_EQ(OpenBytes("wrong", file).fault, SealFault::WrongPassword);
  EXPECT_EQ(OpenBytes("righ", file).fault, SealFault::WrongPassword);
  EXPECT_EQ(OpenBytes("right", file).content, content);
  // A key of the same password with another salt or cost is told apart before any unwrapping.
  const RecordResult found = FindTrailer(file.data(), file.size());
  EXPECT_EQ(OpenSeal(NewKey("right"), found.record.header).fault, SealFault::OtherSalt);
  EXPECT_EQ(OpenSeal(Derive("right", found.record.header.salt, {2, 64}), found.record.header).fault,
            SealFault::OtherSalt);
}

TEST(SealTest, EveryChangedByteIsRefused) {
  const Bytes content = Text(300);
  const Bytes file = SealBytes(NewKey("pw"), content);
  const size_t record_at = content.size(), tail_at = file.size() - kTailSize;
  for (size_t i = 0; i < file.size(); ++i) {
    Bytes changed = file;
    changed[i] ^= 0x10;
    const SealFault expected = i < record_at     ? SealFault::Changed
                               : i < tail_at + 8 ? SealFault::Damaged
                                                 : SealFault::NotSealed;  // the magic
    EXPECT_EQ(OpenBytes("pw", changed).fault, expected) << "byte " << i;
  }
  // Cut short or grown, at the end or before the trailer.
  Bytes cut(file.begin(), file.end() - 1);
  EXPECT_EQ(OpenBytes("pw", cut).fault, SealFault::NotSealed);
  cut = file;
  cut.erase(cut.begin() + long(record_at) - 1);
  EXPECT_EQ(OpenBytes("pw", cut).fault, SealFault::LengthDiffers);
  Bytes grown = file;
  grown.insert(grown.begin(), 'x');
  EXPECT_EQ(OpenBytes("pw", grown).fault, SealFault::LengthDiffers);

  // Changed on purpose, the tail's check made anew: the wrap refuses the header's first 81
  // bytes and the wrapped key, and the MAC the MAC.
  const Bytes record(file.begin() + long(record_at), file.end());
  for (size_t i = 0; i < kHeaderSize + kMacSize; ++i) {
    Bytes forged = Bytes(file.begin(), file.begin() + long(record_at));
    Bytes forged_record = record;
    forged_record[i] ^= 0x01;
    forged_record = Rechecked(forged_record);
    forged.insert(forged.end(), forged_record.begin(), forged_record.end());
    const SealFault fault = OpenBytes("pw", forged).fault;
    if (i >= 1 && i < 9 && !CostInRange(DecodeHeader(forged_record.data()).cost))
      EXPECT_EQ(fault, SealFault::CostOutOfRange) << "byte " << i;
    else if (i == 0)
      EXPECT_EQ(fault, SealFault::UnknownVersion);
    else if (i >= 25 && i < 33)
      EXPECT_EQ(fault, SealFault::LengthDiffers) << "byte " << i;
    else if (i >= kHeaderSize)
      EXPECT_EQ(fault, SealFault::Changed) << "byte " << i;
    else
      EXPECT_EQ(fault, SealFault::WrongPassword) << "byte " << i;
  }

  // The MAC on its own covers every header byte after the version (a header of another version
  // is never read) and the content's length.
  const RecordResult found = FindTrailer(file.data(), file.size());
  const PasswordKey key = Derive("pw", found.record.header.salt);
  const OpenResult opened = OpenSeal(key, found.record.header);
  ASSERT_EQ(opened.fault, SealFault::None);
  const HeaderBytes header = EncodeHeader(found.record.header);
  for (size_t i = 1; i < kHeaderSize; ++i) {
    HeaderBytes other = header;
    other[i] ^= 0x01;
    Header changed = DecodeHeader(other.data());
    ContentMac mac(opened.keys, changed);
    mac.Add(file.data(), content.size());
    EXPECT_EQ(mac.Check(found.record.mac), SealFault::Changed) << "header byte " << i;
  }
  for (size_t size : {content.size() - 1, content.size() + 1}) {
    ContentMac mac(opened.keys, found.record.header);
    mac.Add(file.data(), size);
    EXPECT_EQ(mac.Check(found.record.mac), SealFault::Changed) << size;
  }
}

TEST(SealTest, EachSealHasItsOwnKeysAndOneDerivationServesACall) {
  const Bytes content = Text(1000);
  const PasswordKey key = NewKey("batch");  // one call, one derivation
  std::vector<Bytes> files;
  for (int i = 0; i < 3; ++i) files.push_back(SealBytes(key, content));
  files.push_back(SealBytes(NewKey("batch"), content));  // sealed again in another call
  std::set<Bytes> sealed, nonces, wraps, salts;
  for (const Bytes& file : files) {
    const Header header = FindTrailer(file.data(), file.size()).record.header;
    sealed.insert(Bytes(file.begin(), file.begin() + long(content.size())));
    nonces.insert(Bytes(header.nonce.begin(), header.nonce.end()));
    wraps.insert(Bytes(header.wrap_nonce.begin(), header.wrap_nonce.end()));
    salts.insert(Bytes(header.salt.begin(), header.salt.end()));
    // Each opens alone, with a key derived from its own header.
    EXPECT_EQ(OpenBytes("batch", file).content, content);
  }
  EXPECT_EQ(sealed.size(), 4u);
  EXPECT_EQ(nonces.size(), 4u);
  EXPECT_EQ(wraps.size(), 4u);
  EXPECT_EQ(salts.size(), 2u);
  // The same content nonce with two data keys: the keys themselves differ.
  NewSeal a = MakeSeal(key, 64), b = MakeSeal(key, 64);
  b.header.nonce = a.header.nonce;
  EXPECT_NE(Bytes(a.keys.stream_key(), a.keys.stream_key() + kKeySize),
            Bytes(b.keys.stream_key(), b.keys.stream_key() + kKeySize));
}

TEST(SealTest, SealedBytesDoNotCompress) {
  const Bytes content = Text(1 << 20);
  auto compressed = [](const Bytes& bytes) {
    uLongf size = compressBound(uLong(bytes.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, bytes.data(), uLong(bytes.size()), 9), Z_OK);
    return size_t(size);
  };
  const size_t plain = compressed(content);
  const Bytes file = SealBytes(NewKey("zip"), content);
  const size_t sealed = compressed(file);
  EXPECT_LT(plain * 10, content.size());
  EXPECT_GE(sealed, file.size());
}

TEST(SealTest, AnyPieceDoneAloneMatchesTheStream) {
  NewSeal made = MakeSeal(NewKey("pages"), 0);
  Bytes content(3 * 4096 + 100);
  std::mt19937 random(7);
  for (uint8_t& b : content) b = uint8_t(random());
  Bytes whole = content;
  TransformContent(made.keys, 0, whole.data(), whole.size());

  // Pages in reverse order, then pieces of random lengths at random places.
  Bytes pages = content;
  for (size_t page = pages.size() / 4096 + 1; page-- > 0;) {
    const size_t at = page * 4096, n = std::min<size_t>(4096, pages.size() - at);
    TransformContent(made.keys, at, pages.data() + at, n);
  }
  EXPECT_EQ(pages, whole);
  Bytes pieces = content;
  std::vector<std::pair<size_t, size_t>> cuts;
  for (size_t at = 0; at < pieces.size();) {
    const size_t n = std::min<size_t>(1 + random() % 200, pieces.size() - at);
    cuts.push_back({at, n});
    at += n;
  }
  std::shuffle(cuts.begin(), cuts.end(), random);
  for (auto [at, n] : cuts) TransformContent(made.keys, at, pieces.data() + at, n);
  EXPECT_EQ(pieces, whole);
  // A page redone: the same call turns it back.
  TransformContent(made.keys, 4096, pieces.data() + 4096, 4096);
  EXPECT_TRUE(std::equal(pieces.begin() + 4096, pieces.begin() + 8192, content.begin() + 4096));
}

// Many secrets live at once in a batch (each file's keys and MAC state): no two may share a
// byte, moving one must not free it twice, and a freed secret's bytes are wiped at once.
TEST(SealTest, SecretsNeverShareBytesAndAreWipedWhenFreed) {
  const size_t sizes[] = {32, 64, 256, 1000};
  std::vector<Secret> secrets;
  for (size_t i = 0; i < 400; ++i) {
    Secret s(sizes[i % 4]);
    ASSERT_EQ(std::count(s.data(), s.data() + s.size(), 0), long(s.size()));
    std::fill(s.data(), s.data() + s.size(), uint8_t(i));
    secrets.push_back(std::move(s));  // moved from: must free nothing
  }
  std::vector<Secret> moved;
  for (Secret& s : secrets) moved.push_back(std::move(s));
  secrets.clear();
  for (size_t i = 0; i < moved.size(); ++i)
    ASSERT_EQ(std::count(moved[i].data(), moved[i].data() + moved[i].size(), uint8_t(i)),
              long(moved[i].size()))
        << "secret " << i << " was overwritten by another";
  // A small secret's slot stays mapped once freed: its bytes can be looked at.
  const uint8_t* slot = moved[1].data();
  moved[1] = Secret(64);
  EXPECT_EQ(std::count(slot, slot + 64, 0), 64);
}
