// Telling a whole record from anything else in the attribute: every value the coder makes, for
// any name, password and moment, passes; damaged, cut, lengthened and junk values do not, and
// the reason never shows the value's bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "codec/CCO.h"
#include "codec/WholeRecord.h"
#include "tests/codec/CodecTestSupport.h"
#include "tests/codec/CodecVectors.h"

namespace {

class WholeRecord : public FixedClockTest {
 protected:
  std::string Coded(const std::string& name, const std::string& pass) {
    coder_.GenerateC(name.c_str(), pass.c_str());
    const char* line = coder_.CodeLine();
    return std::string(line, coder_.LineLength() + 1u);
  }
  static void ExpectWhole(const std::string& value) {
    RecordFlaw flaw;
    EXPECT_TRUE(IsWholeRecord(value.data(), value.size(), &flaw)) << int(flaw.kind);
  }

  CCO coder_;
};

TEST_F(WholeRecord, EveryValueTheCoderMakesIsWhole) {
  for (const CodecVector& v :
       {PlainAsciiVector(), WrappingVector(), EmptyPasswordVector(), OneByteNameVector()})
    ExpectWhole(v.value);

  // The ends of every time-code field, a leap second, and years whose byte is 0 or wraps.
  const std::tm moments[] = {
      Moment(2026, 1, 1, 0, 0, 0),      Moment(2026, 12, 31, 23, 59, 59),
      Moment(2016, 12, 31, 23, 59, 60), Moment(1941, 6, 15, 12, 30, 30),
      Moment(2197, 2, 28, 1, 2, 3),     Moment(1900, 7, 4, 5, 6, 7),
  };
  // Lengths at and over the line's limit: the name gives way, cut at a UTF-8 boundary.
  std::string umlauts = "x";
  for (int i = 0; i < 127; ++i) umlauts += "\xc3\xa4";
  const std::pair<std::string, std::string> cut[] = {
      {std::string(255, 'N'), "Geheim"}, {umlauts, "Geheim"},
      {"name", std::string(300, 'p')},   {"", ""},
      {"a", std::string(20, '\xff')},
  };
  for (const std::tm& when : moments) {
    SetNow(when);
    for (const auto& [name, pass] : cut) ExpectWhole(Coded(name, pass));
  }

  std::mt19937 rng(1207);
  auto bytes = [&rng](size_t len) {
    std::string s(len, ' ');
    for (char& c : s) c = static_cast<char>(1 + rng() % 255);
    return s;
  };
  for (int i = 0; i < 2000; ++i) {
    SetNow(Moment(1942 + int(rng() % 255), 1 + int(rng() % 12), 1 + int(rng() % 31),
                  int(rng() % 24), int(rng() % 60), int(rng() % 61)));
    ExpectWhole(Coded(bytes(rng() % 256), bytes(rng() % 40)));
  }
}

// Each damaged value is refused with the rule it breaks and the lengths or offset that show it
// (the flaw holds numbers only, never a byte of the value, which holds the password).
TEST_F(WholeRecord, DamagedValuesAreRefusedWithTheRuleTheyBreak) {
  const std::string good =
      PlainAsciiVector().value;  // "abc.txt", "Geheim"; L = 22, key 16 27 15 1a
  auto with = [&good](size_t at, char byte) {
    std::string v = good;
    v[at] = byte;
    return v;
  };
  const struct {
    std::string value;
    RecordFlaw::Kind kind;
    size_t a, b;
  } cases[] = {
      {"", RecordFlaw::Empty, 0, 0},
      {"abcde", RecordFlaw::Size, 5, 'a' + 1},  // five bytes of junk
      {good + '\0', RecordFlaw::Size, 24, 23},
      {good.substr(0, 22), RecordFlaw::Size, 22, 23},
      {std::string("\x04\x27\x15\x1a\x00", 5), RecordFlaw::ShortLength, 4, 9},
      {with(22, 1), RecordFlaw::NoZeroAfter, 22, 0},
      {with(1, 74), RecordFlaw::TimeByte, 0, 0},                // seconds
      {with(5, 34), RecordFlaw::TimeByte, 4, 0},                // month
      {with(6, 23), RecordFlaw::TimeByte, 5, 0},                // day
      {with(7, 14 + 0x16), RecordFlaw::NameOverrun, 14, 22},    // p would sit at offset L
      {with(15, 7 + 0x16), RecordFlaw::LengthsDisagree, 7, 7},  // overrun L by one
      {with(15, 5 + 0x16), RecordFlaw::LengthsDisagree, 7, 5},  // a byte left over
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.value));
    RecordFlaw flaw;
    EXPECT_FALSE(IsWholeRecord(c.value.data(), c.value.size(), &flaw));
    EXPECT_EQ(flaw.kind, c.kind);
    EXPECT_EQ(flaw.a, c.a);
    EXPECT_EQ(flaw.b, c.b);
    EXPECT_FALSE(IsWholeRecord(c.value.data(), c.value.size(), nullptr));
  }
  EXPECT_FALSE(IsWholeRecord(nullptr, 0, nullptr));
}

// Junk whose length byte happens to match what was read still fails the fields' rules.
TEST_F(WholeRecord, RandomValuesAreNoRecords) {
  std::mt19937 rng(10);
  int taken = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string value(1 + rng() % 256, '\0');
    for (char& c : value) c = static_cast<char>(rng());
    value[0] = static_cast<char>(value.size() - 1);
    if (IsWholeRecord(value.data(), value.size(), nullptr)) ++taken;
  }
  EXPECT_EQ(taken, 0);
}

}  // namespace
