#pragma once
// Helpers of the codec record's tests: a fixed local clock and captured standard output.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "platform/Clock.h"

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

// Tests whose records read a clock standing at a moment of their choice.
class FixedClockTest : public testing::Test {
 protected:
  void SetUp() override { plat::SetClock(&clock_); }
  void TearDown() override { plat::SetClock(nullptr); }
  void SetNow(const std::tm& when) { clock_.Set(when); }

 private:
  plat::FixedClock clock_{Moment(2026, 3, 14, 15, 9, 26)};
};

// What `f` prints on standard output.
template <typename F>
std::string Captured(F&& f) {
  fflush(stdout);
  testing::internal::CaptureStdout();
  f();
  fflush(stdout);
  return testing::internal::GetCapturedStdout();
}
