#include <gtest/gtest.h>

#include <string>

#include "codec/CCO.h"
#include "tests/codec/CodecTestSupport.h"

namespace {

using TimeCode = FixedClockTest;

std::string Bytes(const char* code) {
  return std::string(code, 7);  // the six bytes and their terminating zero
}

TEST_F(TimeCode, FieldsPlusTheirOffsets) {
  const struct {
    std::tm when;
    std::string code, date;
  } cases[] = {
      // Seconds, minutes, hours, month: their offsets; year 2026 - 1941; day 1 + 23.
      {Moment(2026, 1, 1, 0, 0, 0), std::string("\x0d\x0c\x0b\x55\x16\x18\0", 7),
       " DMY: 1/1/2026 "},
      {Moment(2026, 12, 31, 23, 59, 59), std::string("\x48\x47\x22\x55\x21\x36\0", 7),
       " DMY: 31/12/2026 "},
      // The year byte is year - 1941 modulo 256: 1 for 1942, 255 for 2196, 0 after.
      {Moment(1942, 6, 1, 0, 0, 0), std::string("\x0d\x0c\x0b\x01\x1b\x18\0", 7),
       " DMY: 1/6/1942 "},
      {Moment(2196, 6, 1, 0, 0, 0), std::string("\x0d\x0c\x0b\xff\x1b\x18\0", 7),
       " DMY: 1/6/2196 "},
      {Moment(2197, 6, 1, 0, 0, 0), std::string("\x0d\x0c\x0b\x00\x1b\x18\0", 7),
       " DMY: 1/6/2197 "},
  };
  CCO renewed;
  for (const auto& c : cases) {
    SetNow(c.when);
    CCO fresh;  // construction takes the clock
    EXPECT_EQ(Bytes(fresh.GetFTime()), c.code) << c.date;
    renewed.NTime();
    EXPECT_EQ(Bytes(renewed.GetFTime()), c.code) << c.date;
    EXPECT_EQ(std::string(renewed.CTime(nullptr)), c.date);
  }
}

TEST_F(TimeCode, NewTextLeavesTheRecord) {
  CCO record;
  const std::string made = Bytes(record.GetFTime());
  SetNow(Moment(2027, 2, 3, 4, 5, 6));
  EXPECT_EQ(Bytes(record.NewText()), std::string("\x13\x11\x0f\x56\x17\x1a\0", 7));
  EXPECT_EQ(Bytes(record.GetFTime()), made);
}

}  // namespace
