#pragma once
// Helpers of the codec record's tests: a local clock fixed at a moment of the test's choice.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/Clock.h"
#include "tests/platform/CapturedStdout.h"

// The local calendar moment year-month-day hour:minute:second, as localtime() breaks it.
inline std::tm Moment(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

// Installs a fixed clock for the lifetime of the object.
class ClockAt {
 public:
  explicit ClockAt(const std::tm& when) : clock_(when) { plat::SetClock(&clock_); }
  ~ClockAt() { plat::SetClock(nullptr); }
  void Set(const std::tm& when) { clock_.Set(when); }

 private:
  plat::FixedClock clock_;
};

// Tests whose records read a clock standing where the test puts it.
class FixedClockTest : public testing::Test {
 protected:
  void SetNow(const std::tm& when) { clock_.Set(when); }

 private:
  ClockAt clock_{Moment(2026, 3, 14, 15, 9, 26)};
};
