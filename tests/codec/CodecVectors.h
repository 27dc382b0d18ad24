#pragma once
// Attribute values worked out by hand from the line format (docs/privcodec-format.md lists the
// same three with their working): the expected bytes are written out, not computed.
#include <string>

#include "tests/codec/CodecTestSupport.h"

struct CodecVector {
  std::tm when;       // the clock when the record was generated
  std::string name;   // leaf name
  std::string pass;   // password
  std::string value;  // the L + 1 bytes of the attribute value
};

// 2026-03-14 15:09:26, "abc.txt", "Geheim": time code 27 15 1a 55 18 25, n = 7, p = 6,
// L = 22 = 0x16, key 16 27 15 1a. Offsets 7..21 plain
// 07 61 62 63 2e 74 78 74 06 47 65 68 65 69 6d, each plus key[(i - 7) mod 4].
inline CodecVector PlainAsciiVector() {
  return {Moment(2026, 3, 14, 15, 9, 26), "abc.txt", "Geheim",
          std::string("\x16\x27\x15\x1a\x55\x18\x25"
                      "\x1d\x88\x77\x7d\x44\x9b\x8d\x8e\x1c\x6e\x7a\x82\x7b\x90\x82\x00",
                      23)};
}

// 2026-12-31 23:59:59, name "\xc3\xa4" (UTF-8 a-umlaut), password "Z\xc3\xb6" (Z o-umlaut):
// time code 48 47 22 55 21 36, n = 2, p = 3, L = 14 = 0x0e, key 0e 48 47 22. Offsets 7..13
// plain 02 c3 a4 03 5a c3 b6; c3 + 48 = 0x10b and keeps 0b.
inline CodecVector WrappingVector() {
  return {Moment(2026, 12, 31, 23, 59, 59), "\xc3\xa4", "Z\xc3\xb6",
          std::string("\x0e\x48\x47\x22\x55\x21\x36"
                      "\x10\x0b\xeb\x25\x68\x0b\xfd\x00",
                      15)};
}

// 2026-01-01 00:00:00, "abc", empty password: time code 0d 0c 0b 55 16 18, n = 3, p = 0,
// L = 12 = 0x0c, key 0c 0d 0c 0b. Offsets 7..11 plain 03 61 62 63 00; byte 11 is p + L.
inline CodecVector EmptyPasswordVector() {
  return {Moment(2026, 1, 1, 0, 0, 0), "abc", "",
          std::string("\x0c\x0d\x0c\x0b\x55\x16\x18"
                      "\x0f\x6e\x6e\x6e\x0c\x00",
                      13)};
}
