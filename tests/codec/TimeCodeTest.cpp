#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "codec/CCO.h"
#include "tests/codec/CodecTestSupport.h"

namespace {

using TimeCode = FixedClockTest;

std::string Bytes(const char* code) {
  return std::string(code, 6);
}

TEST_F(TimeCode, FirstAndLastMomentOf2026) {
  SetNow(Moment(2026, 1, 1, 0, 0, 0));
  CCO record;
  // Seconds, minutes, hours, month: their offsets; year 2026 - 1941; day 1 + 23.
  EXPECT_EQ(Bytes(record.GetFTime()), std::string("\x0d\x0c\x0b\x55\x16\x18"));
  EXPECT_EQ(record.GetFTime()[6], 0);
  EXPECT_EQ(std::string(record.CTime(nullptr)), " DMY: 1/1/2026 ");

  SetNow(Moment(2026, 12, 31, 23, 59, 59));
  record.NTime();
  EXPECT_EQ(Bytes(record.GetFTime()), std::string("\x48\x47\x22\x55\x21\x36"));
  EXPECT_EQ(std::string(record.CTime(nullptr)), " DMY: 31/12/2026 ");
}

TEST_F(TimeCode, YearByteIsYearMinus1941ModuloByte) {
  CCO record;
  for (auto [year, byte] : {std::pair{1942, 1}, {2196, 255}, {2197, 0}}) {
    SetNow(Moment(year, 6, 1, 0, 0, 0));
    record.NTime();
    EXPECT_EQ(static_cast<uint8_t>(record.GetFTime()[3]), byte) << year;
  }
}

TEST_F(TimeCode, GenerateTakesTheClockAndNewTextLeavesTheRecord) {
  SetNow(Moment(2026, 1, 1, 0, 0, 0));
  CCO record;
  SetNow(Moment(2026, 7, 4, 12, 30, 5));
  record.GenerateC("a", "b");
  const std::string generated = Bytes(record.GetFTime());
  EXPECT_EQ(generated, std::string("\x12\x2a\x17\x55\x1c\x1b"));

  SetNow(Moment(2027, 2, 3, 4, 5, 6));
  EXPECT_EQ(Bytes(record.NewText()), std::string("\x13\x11\x0f\x56\x17\x1a"));
  EXPECT_EQ(record.NewText()[6], 0);
  EXPECT_EQ(Bytes(record.GetFTime()), generated);
}

}  // namespace
