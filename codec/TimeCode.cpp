#include "codec/TimeCode.h"

#include <cstdint>

void FormTimeCode(const std::tm& when, char* out) {
  out[0] = static_cast<char>(static_cast<uint8_t>(when.tm_sec + 13));
  out[1] = static_cast<char>(static_cast<uint8_t>(when.tm_min + 12));
  out[2] = static_cast<char>(static_cast<uint8_t>(when.tm_hour + 11));
  out[3] = static_cast<char>(static_cast<uint8_t>(when.tm_year - 41));
  out[4] = static_cast<char>(static_cast<uint8_t>(when.tm_mon + 22));
  out[5] = static_cast<char>(static_cast<uint8_t>(when.tm_mday + 23));
  out[6] = 0;
}

TimeFields ReadTimeCode(const char* code) {
  auto byte = [code](int i) { return static_cast<int>(static_cast<uint8_t>(code[i])); };
  TimeFields f;
  f.hours = byte(2) - 11;
  f.minutes = byte(1) - 12;
  f.seconds = byte(0) - 13;
  f.day = byte(5) - 23;
  f.month = byte(4) - 21;
  f.year = byte(3) + 1941;
  return f;
}
