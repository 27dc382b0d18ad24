#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "codec/CCO.h"
#include "tests/codec/CodecTestSupport.h"
#include "tests/codec/CodecVectors.h"

namespace {

class CodecLine : public FixedClockTest {
 protected:
  // The attribute value of a freshly generated record: the L + 1 bytes of CodeLine().
  static std::string Coded(CCO& record, const std::string& name, const std::string& pass) {
    record.GenerateC(name.c_str(), pass.c_str());
    const char* line = record.CodeLine();
    return std::string(line, record.LineLength() + 1u);
  }
  // Name and password of a decoded record never reach past their lengths.
  static void ExpectFieldsWithinLengths(CCO& record) {
    EXPECT_LE(std::strlen(record.Name()), record.NameLength());
    EXPECT_LE(std::strlen(record.NPass()), record.PassLength());
  }
};

TEST_F(CodecLine, HandWorkedVectorsCodeAndDecode) {
  for (const CodecVector& v :
       {PlainAsciiVector(), WrappingVector(), EmptyPasswordVector(), OneByteNameVector()}) {
    SCOPED_TRACE(v.name);
    SetNow(v.when);
    CCO coder;
    EXPECT_EQ(Coded(coder, v.name, v.pass), v.value);
    // A second CodeLine rebuilds the same bytes from the fields.
    EXPECT_EQ(std::string(coder.CodeLine(), v.value.size()), v.value);

    SetNow(Moment(2030, 6, 6, 6, 6, 6));
    CCO reader;
    EXPECT_EQ(reader.DecodeLine(v.value.data()), static_cast<int>(v.value.size() - 1));
    EXPECT_EQ(reader.LineLength(), v.value.size() - 1);
    EXPECT_EQ(reader.Name(), v.name);
    EXPECT_EQ(reader.NameLength(), v.name.size());
    EXPECT_EQ(reader.NPass(), v.pass);
    EXPECT_EQ(reader.PassLength(), v.pass.size());
    EXPECT_EQ(std::string(reader.GetFTime()), v.value.substr(1, 6));
    EXPECT_TRUE(reader.IsGoodMen());
    // Coding the decoded record gives back the stored value.
    EXPECT_EQ(std::string(reader.CodeLine(), v.value.size()), v.value);
  }
}

TEST_F(CodecLine, RandomNamesAndPasswordsRoundTrip) {
  std::mt19937 rng(20260101);
  auto bytes = [&rng](size_t len) {
    std::string s(len, ' ');
    for (char& c : s) c = static_cast<char>(1 + rng() % 255);
    return s;
  };
  CCO coder, reader;
  for (int i = 0; i < 400; ++i) {
    SetNow(Moment(1942 + static_cast<int>(rng() % 255), 1 + rng() % 12, 1 + rng() % 28, rng() % 24,
                  rng() % 60, rng() % 60));
    const size_t n = rng() % (kMaxNamePlusPass + 1);
    const std::string name = bytes(n), pass = bytes(rng() % (kMaxNamePlusPass - n + 1));
    const std::string value = Coded(coder, name, pass);
    ASSERT_EQ(value.size(), 10 + name.size() + pass.size());
    ASSERT_EQ(reader.DecodeLine(value.data(), value.size()), static_cast<int>(value.size() - 1));
    ASSERT_EQ(reader.Name(), name);
    ASSERT_EQ(std::string(reader.NPass()), pass);
    ASSERT_EQ(std::string(reader.GetFTime()), std::string(coder.GetFTime()));
    ASSERT_EQ(std::strlen(reader.GetFTime()), 6u);
  }
}

TEST_F(CodecLine, OverlongNameGivesWayToThePassword) {
  CCO record, reader;
  const std::string leaf(255, 'N');
  const std::string value = Coded(record, leaf, "Geheim");
  EXPECT_EQ(record.NameLength(), kMaxNamePlusPass - 6);
  ASSERT_EQ(value.size(), 256u);
  EXPECT_EQ(value[0], '\xff');
  EXPECT_EQ(value.back(), 0);
  EXPECT_EQ(reader.DecodeLine(value.data()), 255);
  EXPECT_EQ(std::string(reader.NPass()), "Geheim");
  EXPECT_EQ(reader.Name(), leaf.substr(0, 240));

  // A cut never splits a UTF-8 character: "x" and 127 two-byte characters lose byte 240, a
  // lead byte's partner, and the lead byte before it.
  std::string umlauts = "x";
  for (int i = 0; i < 127; ++i) umlauts += "\xc3\xa4";
  Coded(record, umlauts, "Geheim");
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
    ExpectFieldsWithinLengths(record);

    // The same claim over fewer bytes: only those are read.
    const size_t available = rng() % (claimed + 1);
    std::unique_ptr<char[]> part(new char[available]);
    if (available > 0) std::memcpy(part.get(), value.get(), available);
    EXPECT_EQ(record.DecodeLine(part.get(), available), available > 0 ? first : 0);
    ExpectFieldsWithinLengths(record);
    record.CodeLine();
  }
}

// Lengths that point past L pick up zeros, never the previous record: L = 12, key 0c 00 00 00,
// n = 2, p = 10 with one password byte at offset 11 and nine past L where the old line held
// "Geheim". (Bytes that L claims beyond the value read are zeros too: CCOInspectTest.)
TEST_F(CodecLine, LengthsPastTheLineNeverShowThePreviousRecord) {
  CCO record;
  record.DecodeLine(PlainAsciiVector().value.data());
  const char crafted[12] = {12, 0, 0, 0, 0, 0, 0, 2 + 12, 'a', 'b', 10, 'q' + 12};
  EXPECT_EQ(record.DecodeLine(crafted), 12);
  EXPECT_STREQ(record.Name(), "ab");
  EXPECT_EQ(std::string(record.NPass(), 11), std::string("q\0\0\0\0\0\0\0\0\0\0", 11));
}

}  // namespace
