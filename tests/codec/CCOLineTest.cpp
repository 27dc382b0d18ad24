#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codec/CCO.h"
#include "tests/codec/CodecTestSupport.h"
#include "tests/codec/CodecVectors.h"

namespace {

class CodecLine : public FixedClockTest {
 protected:
  // The attribute value of a freshly generated record: the L + 1 bytes of CodeLine().
  std::string Coded(CCO& record, const std::string& name, const std::string& pass) {
    record.GenerateC(name.c_str(), pass.c_str());
    const char* line = record.CodeLine();
    return std::string(line, record.LineLength() + 1u);
  }

  // Every field of `record` is the one `v` was made from; the time code is the value's bytes
  // 1..6, themselves worked by hand.
  void ExpectFields(CCO& record, const CodecVector& v) {
    EXPECT_EQ(record.LineLength(), v.value.size() - 1);
    EXPECT_EQ(record.Name(), v.name);
    EXPECT_EQ(record.NameLength(), v.name.size());
    EXPECT_EQ(record.NPass(), v.pass);
    EXPECT_EQ(record.PassLength(), v.pass.size());
    EXPECT_EQ(std::string(record.GetFTime()), v.value.substr(1, 6));
  }
};

TEST_F(CodecLine, HandWorkedVectorsCodeAndDecode) {
  for (const CodecVector& v : {PlainAsciiVector(), WrappingVector(), EmptyPasswordVector()}) {
    SCOPED_TRACE(v.name);
    SetNow(v.when);
    CCO coder;
    EXPECT_EQ(Coded(coder, v.name, v.pass), v.value);
    // A second CodeLine rebuilds the same bytes from the fields.
    EXPECT_EQ(std::string(coder.CodeLine(), v.value.size()), v.value);

    SetNow(Moment(2030, 6, 6, 6, 6, 6));
    CCO reader;
    std::vector<char> stored(v.value.begin(), v.value.end());
    EXPECT_EQ(reader.DecodeLine(stored.data()), static_cast<int>(v.value.size() - 1));
    ExpectFields(reader, v);
    EXPECT_TRUE(reader.IsGoodMen());
    // Coding the decoded record gives back the stored value.
    EXPECT_EQ(std::string(reader.CodeLine(), v.value.size()), v.value);
  }
}

TEST_F(CodecLine, ShortestLines) {
  CCO record;
  const std::string empty = Coded(record, "abc", "");
  ASSERT_EQ(empty.size(), 13u);
  EXPECT_EQ(empty[0], 12);
  EXPECT_EQ(empty[11], 12);  // p = 0 plus key byte 0, which is L
  EXPECT_EQ(empty[12], 0);

  // One-byte name, no password: L = 10, scrambled bytes at offsets 7, 8 and 9 only.
  const std::string one = Coded(record, "x", "");
  ASSERT_EQ(one.size(), 11u);
  EXPECT_EQ(one[0], 10);
  EXPECT_EQ(static_cast<uint8_t>(one[7]), 1 + 10);
  EXPECT_EQ(static_cast<uint8_t>(one[8]), 'x' + static_cast<uint8_t>(one[1]));
  EXPECT_EQ(static_cast<uint8_t>(one[9]), 0 + static_cast<uint8_t>(one[2]));
  EXPECT_EQ(one[10], 0);
}

TEST_F(CodecLine, RandomNamesAndPasswordsRoundTrip) {
  std::mt19937 rng(20260101);
  auto bytes = [&rng](size_t len) {
    std::string s(len, ' ');
    for (char& c : s) c = static_cast<char>(1 + rng() % 255);
    return s;
  };
  CCO coder;
  CCO reader;
  for (int i = 0; i < 400; ++i) {
    SetNow(Moment(1942 + static_cast<int>(rng() % 255), 1 + rng() % 12, 1 + rng() % 28, rng() % 24,
                  rng() % 60, rng() % 60));
    const size_t n = rng() % (kMaxNamePlusPass + 1);
    const size_t p = rng() % (kMaxNamePlusPass - n + 1);
    const std::string name = bytes(n), pass = bytes(p);
    const std::string value = Coded(coder, name, pass);
    ASSERT_EQ(value.size(), 10 + n + p);
    ASSERT_EQ(reader.DecodeLine(value.data(), value.size()), static_cast<int>(9 + n + p));
    ASSERT_EQ(reader.Name(), name);
    ASSERT_EQ(std::string(reader.NPass()), pass);
    ASSERT_EQ(std::string(reader.GetFTime()), std::string(coder.GetFTime()));
    ASSERT_EQ(std::strlen(reader.GetFTime()), 6u);
  }
}

TEST_F(CodecLine, OverlongNameGivesWayToThePassword) {
  CCO record;
  const std::string leaf(255, 'N');
  const std::string value = Coded(record, leaf, "Geheim");
  EXPECT_EQ(record.NameLength(), kMaxNamePlusPass - 6);
  EXPECT_EQ(record.LineLength(), 255);
  ASSERT_EQ(value.size(), 256u);
  EXPECT_EQ(value.back(), 0);

  CCO reader;
  EXPECT_EQ(reader.DecodeLine(value.data()), 255);
  EXPECT_EQ(std::string(reader.NPass()), "Geheim");
  EXPECT_EQ(reader.Name(), leaf.substr(0, 240));

  // A cut never splits a UTF-8 character: "x" and 127 two-byte characters lose byte 240, a
  // lead byte's partner, and the lead byte before it.
  std::string umlauts = "x";
  for (int i = 0; i < 127; ++i) umlauts += "\xc3\xa4";
  Coded(record, umlauts, "Geheim");
  EXPECT_EQ(record.NameLength(), 239);
  EXPECT_EQ(record.Name(), umlauts.substr(0, 239));

  // A password that alone overfills the line is cut and the name dropped.
  Coded(record, "name", std::string(300, 'p'));
  EXPECT_EQ(record.PassLength(), kMaxNamePlusPass);
  EXPECT_EQ(record.NameLength(), 0);
  EXPECT_EQ(record.LineLength(), 255);
}

// Decoding reads only the value, whatever its bytes claim; each value sits in a heap block of
// exactly its size so that AddressSanitizer sees any read beyond it.
TEST_F(CodecLine, ArbitraryValuesStayInsideTheirBytes) {
  std::mt19937 rng(7);
  CCO record;
  for (int first = 0; first < 256; ++first) {
    const size_t claimed = std::max(first, 1);
    std::unique_ptr<char[]> value(new char[claimed]);
    value[0] = static_cast<char>(first);
    for (size_t i = 1; i < claimed; ++i) value[i] = static_cast<char>(rng());
    EXPECT_EQ(record.DecodeLine(value.get()), first);
    EXPECT_LE(std::strlen(record.Name()), record.NameLength());
    EXPECT_LE(std::strlen(record.NPass()), record.PassLength());

    // The same claim over fewer bytes: only those are read.
    const size_t available = rng() % (claimed + 1);
    std::unique_ptr<char[]> part(new char[available]);
    if (available > 0) std::memcpy(part.get(), value.get(), available);
    EXPECT_EQ(record.DecodeLine(part.get(), available), available > 0 ? first : 0);
    EXPECT_LE(std::strlen(record.Name()), record.NameLength());
    EXPECT_LE(std::strlen(record.NPass()), record.PassLength());
    record.CodeLine();
  }
}

TEST_F(CodecLine, FiveByteValueIsDecodedAsARecord) {
  CCO record;
  // "\x30...." claims 48 bytes; the 43 missing ones count as zeros.
  const char value[5] = {'\x30', 1, 2, 3, 4};
  EXPECT_EQ(record.DecodeLine(value, sizeof value), 48);
  EXPECT_EQ(record.LineLength(), 48);
  EXPECT_EQ(std::string(record.GetFTime(), 4), std::string("\x01\x02\x03\x04", 4));
  // Every missing byte up to L - 1 is unscrambled like the rest: offset 7 is 0 - 0x30 = 0xd0,
  // a 208-byte name whose first 40 bytes (offsets 8..47) are 0 minus the key bytes 01 02 03 30
  // in turn, and whose remaining bytes lie past L, zeros.
  EXPECT_EQ(record.NameLength(), 0xd0);
  ASSERT_EQ(std::strlen(record.Name()), 40u);
  EXPECT_EQ(std::string(record.Name(), 4), "\xff\xfe\xfd\xd0");
  EXPECT_STREQ(record.NPass(), "");
}

TEST_F(CodecLine, LengthsPastTheLineNeverShowThePreviousRecord) {
  CCO record;
  const CodecVector v = PlainAsciiVector();
  record.DecodeLine(v.value.data());
  ASSERT_STREQ(record.NPass(), "Geheim");
  // L = 12, key 0c 00 00 00: n = 2 (offsets 8, 9), p = 10 at offset 10, one password byte at
  // offset 11, and nine more claimed past L where the old line held "Geheim".
  const char crafted[12] = {12, 0, 0, 0, 0, 0, 0, 2 + 12, 'a', 'b', 10, 'q' + 12};
  EXPECT_EQ(record.DecodeLine(crafted), 12);
  EXPECT_STREQ(record.Name(), "ab");
  EXPECT_EQ(record.PassLength(), 10);
  EXPECT_EQ(std::string(record.NPass(), 11), std::string("q\0\0\0\0\0\0\0\0\0\0", 11));
}

}  // namespace
