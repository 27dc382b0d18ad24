#pragma once
// The six-byte time code: a moment of the local clock, each field shifted by a fixed offset so
// that no byte is zero for the years 1942 to 2196. It dates a codec record and keys the content
// cipher.
#include <ctime>

constexpr int kTimeCodeBytes = 6;

// Forms the time code of `when` into out[0..5] and writes a zero at out[6]:
// seconds + 13, minutes + 12, hours + 11, (years since 1900 - 41) mod 256, month (0..11) + 22,
// day of month + 23, each kept in 8 bits.
void FormTimeCode(const std::tm& when, char* out);

// The calendar fields read back from a time code (month 1..12, four-digit year).
struct TimeFields {
  int hours;
  int minutes;
  int seconds;
  int day;
  int month;
  int year;
};
TimeFields ReadTimeCode(const char* code);
