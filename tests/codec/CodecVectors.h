#pragma once
// Attribute values worked out by hand from the line format; docs/privcodec-format.md shows the
// working of each. The expected bytes are written out, not computed.
#include <string>

#include "tests/codec/CodecTestSupport.h"

struct CodecVector {
  std::tm when;       // the clock when the record was generated
  std::string name;   // leaf name
  std::string pass;   // password
  std::string value;  // the L + 1 bytes of the attribute value
};

// Plain ASCII: time code 27 15 1a 55 18 25, L = 22, key 16 27 15 1a.
inline CodecVector PlainAsciiVector() {
  return {Moment(2026, 3, 14, 15, 9, 26), "abc.txt", "Geheim",
          std::string("\x16\x27\x15\x1a\x55\x18\x25"
                      "\x1d\x88\x77\x7d\x44\x9b\x8d\x8e\x1c\x6e\x7a\x82\x7b\x90\x82\x00",
                      23)};
}

// UTF-8 name and password whose additions wrap (c3 + 48 keeps 0b): L = 14, key 0e 48 47 22.
inline CodecVector WrappingVector() {
  return {Moment(2026, 12, 31, 23, 59, 59), "\xc3\xa4", "Z\xc3\xb6",
          std::string("\x0e\x48\x47\x22\x55\x21\x36"
                      "\x10\x0b\xeb\x25\x68\x0b\xfd\x00",
                      15)};
}

// Three-byte name, empty password: L = 12, 13 bytes; byte 11 is p = 0 plus the key byte L.
inline CodecVector EmptyPasswordVector() {
  return {Moment(2026, 1, 1, 0, 0, 0), "abc", "",
          std::string("\x0c\x0d\x0c\x0b\x55\x16\x18"
                      "\x0f\x6e\x6e\x6e\x0c\x00",
                      13)};
}

// One-byte name, empty password: L = 10, key 0a 27 15 1a, scrambled offsets 7 to 9 only.
inline CodecVector OneByteNameVector() {
  return {Moment(2026, 3, 14, 15, 9, 26), "x", "",
          std::string("\x0a\x27\x15\x1a\x55\x18\x25"
                      "\x0b\x9f\x15\x00",
                      11)};
}
