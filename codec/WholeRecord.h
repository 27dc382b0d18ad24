#pragma once
// Whether an attribute value read from a file is a codec record at all: a value another program
// left, a damaged one, or one cut short is told apart from a record this program (or any coder
// that follows docs/privcodec-format.md) wrote, before anything is decoded with it.
#include <cstddef>
#include <cstdint>

// The rule a value breaks, with the lengths and offsets that show it: never a byte of the value,
// which holds the password.
struct RecordFlaw {
  enum Kind : uint8_t {
    None,
    Empty,           // no bytes at all
    Size,            // it holds `a` bytes, not the `b` its length byte calls for
    ShortLength,     // its length `a` is less than the `b` bytes of the fixed fields
    NoZeroAfter,     // the byte after the line (offset `a`) is not zero
    TimeByte,        // its time code's byte number `a` (0 to 5: seconds, minutes, hours, year,
                     // month, day) is out of range
    NameOverrun,     // its name length `a` reaches past its length `b`
    LengthsDisagree  // name and password lengths `a` + `b` and `c` fixed bytes are not `d`
  } kind = None;
  size_t a = 0, b = 0, c = 0, d = 0;
};

// True when the `count` bytes at `value` (as read from the "PrivCodec" attribute) are one whole,
// consistent record:
//   - the value is exactly L + 1 bytes, L being its first byte, and L >= 9 (the fixed fields);
//   - the byte at offset L is zero;
//   - the six time-code bytes lie in their ranges (seconds 13..73, a leap second included;
//     minutes 12..71; hours 11..34; month 22..33; day 24..54; the year byte may be anything);
//   - unscrambled, the name length n leaves room for the password length byte inside the line,
//     and 9 + n + p is exactly L.
// Every value that CCO::CodeLine() makes passes, for any name and password (the long-name cut
// included) and any moment of the clock; so do the format's test vectors. Nothing outside
// value[0 .. count - 1] is read. When false and `flaw` is not null, *flaw says which rule the
// value breaks.
bool IsWholeRecord(const char* value, size_t count, RecordFlaw* flaw);
